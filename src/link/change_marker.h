#pragma once

namespace kovo {

class Database;

// Sets the send-pending flag of every element of `db` whose value differs from `old`, as an
// editor's Apply would have (fields sharing a command share its flag: a set point's six fields,
// a meter's five, the remote-base memories, the user DTMF settings, ...). Fields without a
// command set nothing. A changed Lock or Terminator also gets the old code as its stored copy:
// the controller answers to the old code until the upload has sent the new one. Flags already set
// stay set. Returns the number of flag elements newly set.
int markChangedSince(Database& db, const Database& old);

} // namespace kovo
