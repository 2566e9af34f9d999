#pragma once

#include <unistd.h>

namespace mardo::test {

// While it lives, permissions bind the process as they bind an ordinary user: run by root, every
// thread takes the effective identity of "nobody" (65534); root comes back at its end. Files the
// test makes must then be open to others where that user is to reach them.
class OrdinaryUser {
 public:
  OrdinaryUser() : wasRoot_(::geteuid() == 0) {
    if (wasRoot_) ok_ = ::setresgid(-1, 65534, -1) == 0 && ::setresuid(-1, 65534, -1) == 0;
  }
  ~OrdinaryUser() {
    if (!wasRoot_) return;
    [[maybe_unused]] const int uid = ::setresuid(-1, 0, -1);
    [[maybe_unused]] const int gid = ::setresgid(-1, 0, -1);
  }
  OrdinaryUser(const OrdinaryUser&) = delete;
  OrdinaryUser& operator=(const OrdinaryUser&) = delete;

  // False when root could not take the other identity.
  bool Ok() const { return ok_; }

 private:
  bool wasRoot_;
  bool ok_ = true;
};

}  // namespace mardo::test
