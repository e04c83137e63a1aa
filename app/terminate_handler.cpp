#include <cstdlib>

// What the program does when an exception escapes (every window procedure is
// noexcept, so that ends the program): the C runtime's abort, as before. The
// library's own handler would first write the exception's type to the standard
// error, which a program without a console has nowhere to show; for that it
// pulls in the whole C++ name demangler, some 48 KB of the shipped program.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
