# Builds a 100,000-character string one digit at a time and prints it whole.
s = ""
for i in range(1, 100001):
    s = s + str(i % 10)
print(s)
