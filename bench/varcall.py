# 300,000 calls with a by-reference parameter; Python has none, so a
# one-element list stands for the variable that the callee updates.
def add_to(acc, x):
    acc[0] = acc[0] + x


total = [0]
for i in range(1, 300001):
    add_to(total, i)
print(total[0])
