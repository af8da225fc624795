# Recursive Fibonacci: about 75,000 user function calls.
def fib(n):
    if n < 2:
        return n
    else:
        return fib(n - 1) + fib(n - 2)


print(fib(24))
