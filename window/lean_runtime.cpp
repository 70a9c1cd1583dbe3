// Mirvel.exe links the C++ runtime statically, and some of libstdc++'s
// helpers bring far more with them than a small GUI program uses. Each is
// defined here instead, so the linker never takes the library's; together
// they keep about 120 KB out of the executable.
#include <cstdlib>

#if defined(__GLIBCXX__)
#include <bits/functexcept.h>

#include <exception>
#include <new>

// The default terminate handler prints the type of the exception, and to do
// so drags in the demangler and printf. A GUI program has nowhere to print:
// it just aborts.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The containers report a failed request through these. The library's own
// versions build std::length_error and friends, whose copy-on-write strings
// pull in the whole of std::string and std::random_device. What matters to
// the program is only that the command fails and the window goes on (its
// window procedure catches every exception), so plainer exceptions do: a
// length error is a bad_alloc, and an index out of range an OutOfRange that
// is no std::out_of_range. The standard types cannot be kept: constructing
// either takes a string, which brings the library's whole set back (tried:
// the link then fails on these being defined twice; without them the
// executables are some 50 KB larger). Nothing in the program catches by
// those types. tests/window/runtime_test.cpp drives each of these through
// Form1's window procedure.
// Should the program come to use another of them, the library's whole set
// comes back, and the linker reports these as defined twice: add it here.
namespace mirvel {
namespace {
struct OutOfRange : std::exception {
    const char* what() const noexcept override { return "out of range"; }
};
}  // namespace
}  // namespace mirvel

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { throw bad_alloc(); }  // longer than memory could hold
void __throw_out_of_range_fmt(const char*, ...) { throw mirvel::OutOfRange(); }
}  // namespace std
#endif
