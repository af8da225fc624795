# Start-up cost alone, to read the other rows against.
print(1)
