# Starting and joining threads: 20 rounds of 64 threads, each marking its element.
import threading

done = [0] * 64


def mark(n):
    done[n] = 1


total = 0
for round in range(20):
    for n in range(64):
        done[n] = 0
    threads = [threading.Thread(target=mark, args=(n,)) for n in range(64)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    total = total + sum(done)
print(total)
