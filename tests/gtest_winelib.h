// GoogleTest for both builds. Under winelib the compiler defines _WIN32 for a
// Linux program, and gtest's Windows branches would then reach for a Windows C
// runtime that is not there: hide the macros while gtest is read. A Windows
// build reads gtest as it is.
#pragma once
#ifdef __WINE__
#pragma push_macro("_WIN32")
#pragma push_macro("_WIN64")
#pragma push_macro("WIN32")
#undef _WIN32
#undef _WIN64
#undef WIN32
#include <gtest/gtest.h>
#pragma pop_macro("WIN32")
#pragma pop_macro("_WIN64")
#pragma pop_macro("_WIN32")
#else
#include <gtest/gtest.h>
#endif
