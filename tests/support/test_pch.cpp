// Holds the test programs' one precompiled header of GoogleTest and
// GoogleMock (tests/CMakeLists.txt); the programs reuse it.
