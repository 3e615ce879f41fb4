// Boost.JSON compiled into this library from its headers, once: the program then needs no
// Boost runtime library, and the package no dependency beyond what it has.
#include <boost/json/src.hpp>
