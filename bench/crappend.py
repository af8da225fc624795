# 20,000 appends of CR LF.
s = ""
for i in range(20000):
    s = s + "\r\n"
print(len(s))
