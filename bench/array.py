# Fills a 501 x 501 array (indices 0..500) and sums it: element access.
a = [[0] * 501 for _ in range(501)]
for i in range(501):
    for j in range(501):
        a[i][j] = i + j
total = 0
for i in range(501):
    for j in range(501):
        total = total + a[i][j]
print(total)
