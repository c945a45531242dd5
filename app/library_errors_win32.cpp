// The standard library's own error throws, defined once more for the
// program. The library's definitions live in one object that constructs
// std::length_error, std::out_of_range and their kin, whose messages are held
// in the library's older reference-counted strings: linking them brings a
// second string implementation, random numbers and more (about 45 KB of the
// i686 image) into a program that never catches those types by name. These
// throw an exception with the same text instead, caught as std::exception as
// every handler of the program does. Should the library need one of its throws
// that is not defined here, its object comes back and the link fails with
// duplicate definitions instead of growing the image unnoticed.
#include <cstdarg>
#include <cstddef>
#include <new>
#include <string>

namespace {

class LibraryError : public std::exception {
 public:
  explicit LibraryError(std::string what) : what_(std::move(what)) {}
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::string what_;
};

[[noreturn]] void Throw(const char* what) { throw LibraryError(what ? what : ""); }

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_invalid_argument(const char* what) { Throw(what); }
void __throw_length_error(const char* what) { Throw(what); }
void __throw_logic_error(const char* what) { Throw(what); }
void __throw_out_of_range(const char* what) { Throw(what); }

// The library's messages with numbers: "%zu" and "%s" filled in, "%%" as "%".
void __throw_out_of_range_fmt(const char* format, ...) {
  std::string what;
  va_list args;
  va_start(args, format);
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
      what += std::to_string(va_arg(args, size_t));
      p += 2;
    } else if (p[0] == '%' && p[1] == 's') {
      what += va_arg(args, const char*);
      ++p;
    } else if (p[0] == '%' && p[1] == '%') {
      what += '%';
      ++p;
    } else {
      what += *p;
    }
  }
  va_end(args);
  throw LibraryError(what);
}

}  // namespace std
