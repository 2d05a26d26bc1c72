// The audio is compared bit for bit between the builds: on 32-bit x86 every
// float and double operation must run in SSE2 registers, never on the x87
// stack with its wider intermediate results.
#if defined(__i386__) && !defined(__SSE2_MATH__)
#error "32-bit x86 builds need -msse2 -mfpmath=sse (see cmake/CompilerSettings.cmake)"
#endif
