# Counting loop: statement dispatch, for and addition (module level, as in the others).
s = 0
for i in range(1, 3000001):
    s = s + i
print(s)
