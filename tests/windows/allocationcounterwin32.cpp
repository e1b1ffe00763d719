// The allocation counter for the Windows test program. MinGW's C runtime has
// no posix_memalign, and memory from _aligned_malloc must go back through
// _aligned_free: the aligned forms of new and delete use that pair, the
// others malloc and free. Only this program's allocations are counted: a DLL
// linked with its own static C++ runtime has its own operator new.
#include "support/allocationcounter.h"

#include <cstdlib>
#include <malloc.h>
#include <new>

namespace
{
thread_local bool counting = false;
thread_local std::size_t allocations = 0;

void* allocate(std::size_t size)
{
    if (counting)
        ++allocations;
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void* allocateAligned(std::size_t size, std::align_val_t alignment)
{
    if (counting)
        ++allocations;
    void* p = _aligned_malloc(size ? size : 1, static_cast<std::size_t>(alignment));
    if (!p)
        throw std::bad_alloc();
    return p;
}
} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}
void* operator new[](std::size_t size)
{
    return allocate(size);
}
void* operator new(std::size_t size, std::align_val_t a)
{
    return allocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a)
{
    return allocateAligned(size, a);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    try
    {
        return allocateAligned(size, a);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    try
    {
        return allocateAligned(size, a);
    }
    catch (...)
    {
        return nullptr;
    }
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    _aligned_free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    _aligned_free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    _aligned_free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    _aligned_free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    _aligned_free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    _aligned_free(p);
}

namespace KestrumTest
{

AllocationCounter::AllocationCounter()
{
    allocations = 0;
    counting = true;
}

AllocationCounter::~AllocationCounter()
{
    counting = false;
}

std::size_t AllocationCounter::count() const
{
    return allocations;
}

} // namespace KestrumTest
