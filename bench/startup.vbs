' Start-up cost alone, to read the other rows against.
WScript.Echo 1
