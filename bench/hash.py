# 1,000,000 entries put into a dict under keys built from numbers, then all
# read back and summed.
h = {}
for i in range(1, 1000001):
    h["k" + str(i)] = i * 2
total = 0
for i in range(1, 1000001):
    total = total + h["k" + str(i)]
print(total)
