# Windows build (i686 MinGW-w64): Kesto.dll, the stand-in shell, and the tests
# that CTest runs under Wine.
message(STATUS "windows build: later")
