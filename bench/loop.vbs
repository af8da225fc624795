' Counting loop: statement dispatch, For and addition.
Dim s, i
s = 0
For i = 1 To 3000000
  s = s + i
Next
WScript.Echo s
