' 100,000 keys put into a Scripting.Dictionary, then every one removed again
' in the order it went in.
Dim h, i, n
Set h = CreateObject("Scripting.Dictionary")
For i = 1 To 100000
  h("k" & i) = i
Next
n = 0
For i = 1 To 100000
  If h.Exists("k" & i) Then
    h.Remove "k" & i
    n = n + 1
  End If
Next
WScript.Echo n
