// Compiles the headers shared by the test programs that use Qt, once for all of them.
