' 20,000 appends of CR LF.
Dim s, i
s = ""
For i = 1 To 20000
  s = s & vbCrLf
Next
WScript.Echo Len(s)
