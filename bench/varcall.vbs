' 300,000 calls of a Sub with a ByRef parameter: call set-up and write-back.
Sub AddTo(ByRef acc, ByVal x)
  acc = acc + x
End Sub

Dim total, i
total = 0
For i = 1 To 300000
  AddTo total, i
Next
WScript.Echo total
