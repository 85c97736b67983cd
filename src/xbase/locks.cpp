#include "xbase/locks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <thread>

#include "xbase/error.h"

namespace xbase {
namespace {

std::atomic<int> g_attempts{100};
std::atomic<int> g_pause_ms{20};
std::atomic<int> g_index_attempts{250};

struct flock MakeLock(short type, uint64_t offset, uint64_t length) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;  // required for OFD locks
  return fl;
}

}  // namespace

uint64_t LockLayout::RecordOffset(uint32_t recno) const {
  if (structural) return 0x7FFFFFFEull - recno;
  return 0x40000000ull + header_length + uint64_t(recno - 1) * record_length;
}
uint64_t LockLayout::HeaderOffset() const { return structural ? 0x7FFFFFFEull : 0x40000000ull; }
uint64_t LockLayout::FileOffset() const { return structural ? 0x77FFFFFFull : 0x40000001ull; }
uint64_t LockLayout::FileLength() const { return structural ? 0x07FFFFFFull : 0x3FFFFFFDull; }

void SetLockRetryPolicy(const LockRetryPolicy& p) {
  g_attempts = p.attempts < 1 ? 1 : p.attempts;
  g_pause_ms = p.pause_ms < 0 ? 0 : p.pause_ms;
  g_index_attempts = p.index_attempts < 1 ? 1 : p.index_attempts;
}
LockRetryPolicy GetLockRetryPolicy() { return {g_attempts.load(), g_pause_ms.load(), g_index_attempts.load()}; }

ByteRangeLock::ByteRangeLock(ByteRangeLock&& o) noexcept : fd_(o.fd_), offset_(o.offset_), length_(o.length_) {
  o.fd_ = -1;
}
ByteRangeLock& ByteRangeLock::operator=(ByteRangeLock&& o) noexcept {
  if (this != &o) {
    Release();
    fd_ = o.fd_;
    offset_ = o.offset_;
    length_ = o.length_;
    o.fd_ = -1;
  }
  return *this;
}

bool ByteRangeLock::TryAcquire(int fd, uint64_t offset, uint64_t length, bool exclusive, const std::string& file) {
  Release();
  struct flock fl = MakeLock(exclusive ? F_WRLCK : F_RDLCK, offset, length);
  for (;;) {
    if (fcntl(fd, F_OFD_SETLK, &fl) == 0) {
      fd_ = fd;
      offset_ = offset;
      length_ = length;
      return true;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return false;
    throw Error("Falha ao bloquear " + (file.empty() ? std::string("arquivo") : file) + ": " + std::strerror(errno));
  }
}

bool ByteRangeLock::Retry(int attempts, int fd, uint64_t offset, uint64_t length, bool exclusive,
                          const std::string& file) {
  const int pause = g_pause_ms.load();
  for (int i = 0; i < attempts; ++i) {
    if (TryAcquire(fd, offset, length, exclusive, file)) return true;
    if (i + 1 < attempts && pause > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause));
  }
  return false;
}

void ByteRangeLock::Acquire(int fd, uint64_t offset, uint64_t length, bool exclusive,
                            const std::string& what_failed, const std::string& file) {
  if (!Retry(g_attempts.load(), fd, offset, length, exclusive, file)) throw Error(what_failed);
}

void ByteRangeLock::AcquireIndex(int fd, bool exclusive, const std::string& file) {
  if (!Retry(g_index_attempts.load(), fd, kIndexLockOffset, 1, exclusive, file))
    throw Error("Índice " + file + ": bloqueado por outro usuário; tente novamente");
}

void ByteRangeLock::Release() {
  if (fd_ < 0) return;
  struct flock fl = MakeLock(F_UNLCK, offset_, length_);
  while (fcntl(fd_, F_OFD_SETLK, &fl) != 0 && errno == EINTR) {
  }
  fd_ = -1;
}

bool TryFlock(int fd, bool exclusive) {
  for (;;) {
    if (flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    return false;
  }
}

bool IsLockedByOther(int fd, uint64_t offset, uint64_t length, bool exclusive) {
  struct flock fl = MakeLock(exclusive ? F_WRLCK : F_RDLCK, offset, length);
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

}  // namespace xbase
