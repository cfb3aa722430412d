// What the shared library exports: the public classes and functions carry
// KELM_EXPORT, and everything else stays inside the library (it is built with
// hidden visibility), so that hosts link against the public API only.
#pragma once

#define KELM_EXPORT __attribute__((visibility("default")))
