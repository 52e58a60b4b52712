// The handler of the setup stub and the uninstaller for an exception that
// nobody catches.
//
// The C++ library's default handler prints the exception's demangled type
// name to the console, which links the whole name demangler (tens of
// kilobytes) into programs that must stay small and has no console
// to print to. Defining the handler here keeps the library's out of the link.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
