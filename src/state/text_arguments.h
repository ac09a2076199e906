#pragma once
// Sentences with numbered places for their values: a translation may put the
// values in another order, so a sentence is never glued from pieces.

#include <initializer_list>
#include <string>
#include <string_view>

// `text` with each %1 to %9 replaced by the argument of that number; a number
// without an argument stays as written.
std::string FillArguments(std::string_view text, std::initializer_list<std::string_view> args);
