' 100,000 reads of one Scripting.Dictionary item through late-bound COM.
Dim d, i, total
Set d = CreateObject("Scripting.Dictionary")
d.Add "key", 3
total = 0
For i = 1 To 100000
  total = total + d.Item("key")
Next
WScript.Echo total
