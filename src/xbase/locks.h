// FoxPro's shared-access locks on DBF files, taken as open-file-description
// byte-range locks (F_OFD_SETLK): they conflict with the POSIX locks another
// engine takes, and with our own other handles on the same file, and are
// released when the file is closed. The open mode is a whole-file flock.
#ifndef QX_XBASE_LOCKS_H_
#define QX_XBASE_LOCKS_H_

#include <cstdint>
#include <string>

namespace xbase {

// Where FoxPro puts its lock bytes; the layout depends on whether the table
// has a structural index (header flags byte).
struct LockLayout {
  bool structural = false;
  uint32_t header_length = 0;
  uint32_t record_length = 0;

  uint64_t RecordOffset(uint32_t recno) const;
  uint64_t HeaderOffset() const;
  uint64_t FileOffset() const;
  uint64_t FileLength() const;
};

// An index file's lock: one byte, shared while pages are read, exclusive
// while a change is written.
inline constexpr uint64_t kIndexLockOffset = 0x7FFFFFFE;

// How long a lock is waited for before giving up: `attempts` tries,
// `pause_ms` apart (two seconds). An index is waited for longer (five
// seconds): every write to the table passes through it, and a rebuild holds
// it while it writes a whole tag. Process-wide; tests shorten it.
struct LockRetryPolicy {
  int attempts = 100;
  int pause_ms = 20;
  int index_attempts = 250;
};
void SetLockRetryPolicy(const LockRetryPolicy& policy);
LockRetryPolicy GetLockRetryPolicy();

// One byte-range lock held for the object's lifetime.
class ByteRangeLock {
 public:
  ByteRangeLock() = default;
  ~ByteRangeLock() { Release(); }
  ByteRangeLock(ByteRangeLock&& other) noexcept;
  ByteRangeLock& operator=(ByteRangeLock&& other) noexcept;
  ByteRangeLock(const ByteRangeLock&) = delete;
  ByteRangeLock& operator=(const ByteRangeLock&) = delete;

  // One try. False when another holder conflicts; throws xbase::Error on any
  // other failure of the system call, naming `file` when given.
  bool TryAcquire(int fd, uint64_t offset, uint64_t length, bool exclusive, const std::string& file = {});
  // Retries as the policy says, then throws xbase::Error with `what_failed`
  // ("Tabela X.DBF: registro 12 bloqueado por outro usuário").
  void Acquire(int fd, uint64_t offset, uint64_t length, bool exclusive, const std::string& what_failed,
               const std::string& file = {});
  // The index lock of an index file, retried as the policy says for indexes;
  // the error names the file.
  void AcquireIndex(int fd, bool exclusive, const std::string& file);
  void Release();
  bool held() const { return fd_ >= 0; }

 private:
  bool Retry(int attempts, int fd, uint64_t offset, uint64_t length, bool exclusive, const std::string& file);

  int fd_ = -1;
  uint64_t offset_ = 0;
  uint64_t length_ = 0;
};

// Non-blocking whole-file flock: shared for a shared open, exclusive for an
// exclusive one. False when another open conflicts.
bool TryFlock(int fd, bool exclusive);

// True when some other open file description holds a conflicting lock on
// [offset, offset+length).
bool IsLockedByOther(int fd, uint64_t offset, uint64_t length, bool exclusive);

}  // namespace xbase

#endif  // QX_XBASE_LOCKS_H_
