' Builds a 100,000-character string one digit at a time and prints it whole.
Dim s, i
s = ""
For i = 1 To 100000
  s = s & (i Mod 10)
Next
WScript.Echo s
