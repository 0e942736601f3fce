// printf-style formatting into a std::string (the program's Shift-JIS texts
// pass through unchanged: format directives are ASCII).
#pragma once

#include <string>

#if defined(__clang__)
#define ZI_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))
#elif defined(__GNUC__)
#define ZI_PRINTF(fmt_index, first_arg) __attribute__((format(gnu_printf, fmt_index, first_arg)))
#else
#define ZI_PRINTF(fmt_index, first_arg)
#endif

std::string Format(const char* fmt, ...) ZI_PRINTF(1, 2);
