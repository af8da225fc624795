# 100,000 keys put into a dict, then every one removed again in the order it
# went in.
h = {}
for i in range(1, 100001):
    h["k" + str(i)] = i
n = 0
for i in range(1, 100001):
    if h.pop("k" + str(i), None) is not None:
        n = n + 1
print(n)
