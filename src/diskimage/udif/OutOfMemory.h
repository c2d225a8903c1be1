#pragma once
// Hostile sizes are refused before anything is allocated, but a machine can still
// run out of memory: this turns a failed allocation into an error value.
#include "diskimage/DiskImageError.h"

#include <new>

namespace vorlap::diskimage::udif {

template <class F>
auto orOutOfMemory(F&& body) -> decltype(body())
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return fail(ErrorCode::outOfMemory, "out of memory");
    }
}

} // namespace vorlap::diskimage::udif
