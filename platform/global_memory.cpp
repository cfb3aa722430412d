#include "platform/global_memory.h"

#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/kernel_object.h"

namespace {

struct global_block : kernel_object::object {
  explicit global_block(SIZE_T size) : asked(size), bytes(size > 0 ? size : 1, '\0') {}
  const SIZE_T asked;
  std::vector<char> bytes;
  std::mutex lock;
  int locks = 0;
};

}  // namespace

HGLOBAL GlobalAlloc(UINT, SIZE_T dwBytes) {
  try {
    return kernel_object::add(std::make_shared<global_block>(dwBytes));
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

LPVOID GlobalLock(HGLOBAL hMem) {
  const auto block = kernel_object::find<global_block>(hMem);
  if (!block) return nullptr;
  std::lock_guard held(block->lock);
  ++block->locks;
  return block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  const auto block = kernel_object::find<global_block>(hMem);
  if (!block) return FALSE;
  std::lock_guard held(block->lock);
  if (block->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  --block->locks;
  SetLastError(ERROR_SUCCESS);
  return block->locks > 0 ? TRUE : FALSE;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
  const auto block = kernel_object::find<global_block>(hMem);
  return block ? block->asked : 0;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  if (!kernel_object::find<global_block>(hMem) || !CloseHandle(hMem)) return hMem;
  return nullptr;
}
