#pragma once

#include <cstddef>

// How deep the elements of an XML text nest (a root alone is 1), found
// without building a tree, so that a hostile document can be turned away
// before the parser (whose tree is freed recursively) and our own recursive
// reader ever see it.
// Counting stops as soon as the depth passes limit, so the result is then
// limit + 1. The scan follows the tokens the way pugixml reads them
// (comments, CDATA, processing instructions, the DOCTYPE and its internal
// subset, quoted attribute values) and errs on the deep side: for every text
// pugixml accepts, or stops reading part-way, the tree it builds is never
// deeper than the result.
int xmlNestingDepth(const char* text, std::size_t size, int limit);
