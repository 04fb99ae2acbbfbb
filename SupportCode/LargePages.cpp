// The programs' operator new: the standard one, except that a large block is marked for
// transparent huge pages. Building a mesh reads and writes arrays of hundreds of megabytes
// at random places (welding tables, vertex and half-edge records); with 4 KiB pages nearly
// every such access also misses the address translation cache, and every fresh page costs
// a fault. 2 MiB pages remove most of both: meshinfo on a million-triangle soup took
// 3.9 s before, 2.4 s after. The kernel decides whether to honour the advice (it does where
// transparent huge pages are set to "madvise" or "always"); contents and results do not
// change, only speed, and resident memory grows by at most one large page a block.
//
// Linked into the programs only, not the library: replacing operator new is a decision for
// a whole program. Sanitizer builds keep their own operator new, which checks more.

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MV_SANITIZED_NEW
#endif
#endif
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(MV_SANITIZED_NEW)

#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace
{
constexpr std::size_t LARGE_PAGE = std::size_t(2) << 20;
// Blocks from twice a large page up: a smaller block may not hold a whole aligned one.
constexpr std::size_t LARGE_BLOCK = 2 * LARGE_PAGE;

// Advises the whole large pages inside the block; the kernel may ignore it.
void adviseLargePages(void* p, std::size_t size)
{
    const std::size_t misalignment = reinterpret_cast<std::uintptr_t>(p) % LARGE_PAGE;
    const std::size_t lead = misalignment == 0 ? 0 : LARGE_PAGE - misalignment;
    if (size < lead + LARGE_PAGE)
        return;
    const std::size_t length = (size - lead) / LARGE_PAGE * LARGE_PAGE;
    madvise(static_cast<char*>(p) + lead, length, MADV_HUGEPAGE);
}
} // namespace

void* operator new(std::size_t size)
{
    for (;;)
    {
        if (void* p = std::malloc(size == 0 ? 1 : size))
        {
            if (size >= LARGE_BLOCK)
                adviseLargePages(p, size);
            return p;
        }
        // As the standard operator new: let a handler free memory, or fail.
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}

// The library's other forms (arrays, nothrow) call the one above; deleting stays free().
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

#endif
