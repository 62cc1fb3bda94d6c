// Preloaded into the tests of the sanitizer build: makes dlclose keep every library mapped.
//
// Mesa loads its renderer with dlopen and unloads it when the display is closed, and the X and
// GL libraries do the same with theirs. Memory those libraries still point to from their own
// globals then looks leaked, and, their code being gone, the leak checker cannot even say whose
// it is. With every library kept, that memory stays reachable and any real leak keeps a stack
// that names its library.

extern "C" int dlclose(void * /*handle*/) noexcept
{
    return 0;
}
