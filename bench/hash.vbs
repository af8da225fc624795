' 1,000,000 entries put into a Scripting.Dictionary under keys built from
' numbers, then all read back and summed.
Dim h, i, total
Set h = CreateObject("Scripting.Dictionary")
For i = 1 To 1000000
  h("k" & i) = i * 2
Next
total = 0
For i = 1 To 1000000
  total = total + h("k" & i)
Next
WScript.Echo total
