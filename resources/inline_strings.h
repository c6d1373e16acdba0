// Included ahead of every source of the shipped executable (see
// cmake/product.cmake). The C++ runtime holds ready-made copies of the
// std::string and std::wstring members, compiled with exceptions; calling
// them links the runtime's exception machinery along with them. The value -1
// is the runtime's own switch for "basic_string is not taken from the
// library": its members are then compiled here, without exceptions, like the
// rest of the code, while every other template is used as usual.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
