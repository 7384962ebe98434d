// The hive writers' temporary files ("HKCU.reg.XXXXXX"), which only a crash leaves behind.
#pragma once

namespace pixoria::platform::posix {

// Takes the hive's lock, as a writer does, and removes the temporaries in the hive's folder:
// while the lock is ours no writer has one in progress. Waits for a writer that holds it.
void removeHiveTemporaries();

}  // namespace pixoria::platform::posix
