' Fills a 501 x 501 array (indices 0..500) and sums it: element access.
Dim a(500, 500), i, j, total
For i = 0 To 500
  For j = 0 To 500
    a(i, j) = i + j
  Next
Next
total = 0
For i = 0 To 500
  For j = 0 To 500
    total = total + a(i, j)
  Next
Next
WScript.Echo total
