// The parts of the C++ runtime that the program takes, built into it small.
//
// The program catches no exception: running out of memory in a string or a
// list, or a string length past its limit, ends it through std::abort, as an
// uncaught exception did. Taking these few functions from here instead of
// from the static runtime leaves out everything that only throwing,
// unwinding and describing an exception needs (the unwinder, the exception
// classes and their strings, the threads library they lock with, the
// demangler of the default terminate handler): about 200 KB of what was a
// 375 KB program.
#include <cstdlib>
#include <new>
#include <string>

// Allocation: the replaceable global operators (the language allows a
// program its own). Out of memory ends the program, as the uncaught
// std::bad_alloc did; the nothrow forms give null, as they always did.
void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) std::abort();
    return block;
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete[](void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

// What the library's templates call where they would throw. With nobody to
// catch, each ended in std::terminate and then std::abort.
namespace std {
void __throw_bad_alloc() {
    abort();
}
void __throw_bad_array_new_length() {
    abort();
}
void __throw_bad_function_call() {
    abort();
}
void __throw_invalid_argument(const char*) {
    abort();
}
void __throw_length_error(const char*) {
    abort();
}
void __throw_logic_error(const char*) {
    abort();
}
void __throw_out_of_range(const char*) {
    abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    abort();
}

// std::string's members are made here, with the program's own flags (no
// exception tables, one section per function), so that only the members the
// program uses stay, instead of the runtime's copy of the whole class with
// the unwinding it carries.
template class basic_string<char>;
}  // namespace std

// std::terminate's default handler names the exception before it aborts,
// which pulls in the whole demangler; a GUI program has nowhere to print it.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
