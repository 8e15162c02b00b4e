// mirelon-sim's command parser fed what Corvane might send, in pieces of
// any size. Checked against the rules in protocol_engine.h: the replies
// asked for, keys, stray bytes, restores and the records they carried; the
// same stream cut differently leaves the simulator in the same state; every
// reply is framed by exactly its own frame bytes; and whatever a restore
// wrote, the backup text still reads back as the same store.
//
// Input: a switch byte (bit 0: produce the replies, bit 1: the restore is
// cut off at the end), a byte that seeds the sizes of the pieces, then the
// stream.

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "panel_model.h"
#include "protocol_engine.h"

namespace corvane::fuzz {
namespace {

using sim::IsKeyCode;

constexpr int kImageReply = -2;  // otherwise the station of a block, -1 for all

// The rules of protocol_engine.h, one byte at a time.
struct Rules {
  enum class Where { kIdle, kCommand, kRestore } where = Where::kIdle;
  std::string digits;
  std::string record;  // restore bytes since the last ";", up to one past the limit
  std::vector<int> replies;
  uint64_t keys = 0;
  uint64_t strays = 0;
  uint64_t restores = 0;
  uint64_t records = 0;      // records applied or refused by restores that ended
  uint64_t records_now = 0;  // the same in the restore under way

  void EndRecord() {
    const bool too_long = record.size() > sim::kMaxRestoreRecordBytes;
    if (too_long || record.find_first_of("0123456789") != std::string::npos) ++records_now;
    record.clear();
  }
  void EndRestore() {
    // Bytes after the last ";" are a refused record unless they are blank.
    const bool too_long = record.size() > sim::kMaxRestoreRecordBytes;
    if (too_long || record.find_first_not_of(" \r\n\t") != std::string::npos) ++records_now;
    record.clear();
    records += records_now;
    records_now = 0;
    ++restores;
    where = Where::kIdle;
  }
  void Command() {
    if (digits == "1") {
      replies.push_back(kImageReply);
    } else if (digits == "2") {
      where = Where::kRestore;
      record.clear();
      records_now = 0;
    } else if (digits.size() == 2 && digits[0] == '1' && digits[1] != '0') {
      replies.push_back(digits[1] == '1' ? -1 : digits[1] - '2');
    } else {
      ++strays;
    }
  }

  void Byte(uint8_t b) {
    if (where == Where::kRestore) {
      if (b == '}') {
        EndRestore();
      } else if (b >= 128 && IsKeyCode(b)) {
        ++keys;
      } else if (b == ';') {
        EndRecord();
      } else if (record.size() <= sim::kMaxRestoreRecordBytes) {
        record.push_back(static_cast<char>(b));
      }
      return;
    }
    if (where == Where::kCommand) {
      if (b >= '0' && b <= '9' && digits.size() < 2) {
        digits.push_back(static_cast<char>(b));
        return;
      }
      where = Where::kIdle;
      if (b == '>' && !digits.empty()) {
        Command();
        return;
      }
      ++strays;  // the broken command; the byte is taken on its own
    }
    if (b == '<') {
      where = Where::kCommand;
      digits.clear();
    } else if (IsKeyCode(b)) {
      ++keys;
    } else {
      ++strays;
    }
  }
};

struct Simulator {
  sim::PanelModel model{1};
  sim::ProtocolEngine engine{model, sim::FaultOptions{}, 1};
};

// Everything the simulator shows or answers with.
std::string State(const Simulator& s) {
  const sim::LinkStats& st = s.model.Stats();
  std::string state;
  for (const uint64_t n :
       {st.bytes_received, st.restores, st.records_restored, st.records_rejected, st.stray_bytes,
        s.model.KeyCount(), static_cast<uint64_t>(s.engine.PendingReplies())}) {
    state += std::to_string(n) + ",";
  }
  const int last_key = s.model.LastKey() ? int{*s.model.LastKey()} : -1;
  for (const int n :
       {last_key, s.model.PageNumber(), s.model.SelectedStation(), s.model.CursorColumn(),
        s.model.CursorRecord(), static_cast<int>(s.engine.InRestore())}) {
    state += std::to_string(n) + ",";
  }
  return state + s.model.Entry() + "|" + s.model.Message() + "|" + s.model.LastTransfer() + "|" +
         s.model.Store().BackupText(-1);
}

bool HasFrameByte(std::string_view text) {
  return text.find_first_of("{}[]") != std::string_view::npos;
}

// A backup: one line per record, each "address value ;" or
// "address value,TEXT;", none with a frame byte inside.
void CheckBackupText(std::string_view text, size_t records) {
  FUZZ_REQUIRE(!HasFrameByte(text), "no frame byte inside a block");
  const TextLines lines = SplitLines(text);
  FUZZ_REQUIRE(lines.tail.empty() && lines.lines.size() == records, "one line per record");
  for (const std::string& line : lines.lines) {
    FUZZ_REQUIRE(!line.empty() && line.back() == ';', "every record ends in \";\"");
  }
}

}  // namespace
}  // namespace corvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  using namespace corvane::fuzz;
  std::span<const uint8_t> input(data, size);
  const uint8_t flags = TakeFlags(input);
  const uint8_t seed = TakeFlags(input);
  const bool produce = (flags & 1) != 0;
  const bool cut_off = (flags & 2) != 0;

  Rules rules;
  for (const uint8_t b : input) rules.Byte(b);
  Simulator pieces;
  ReadSplitter splitter(seed * 0x9E3779B97F4A7C15ull + 1, 512);
  for (size_t pos = 0; pos < input.size();) {
    const size_t n = splitter.Next(input.size() - pos);
    pieces.engine.Receive(input.subspan(pos, n));
    pos += n;
  }
  Simulator whole;
  whole.engine.Receive(input);
  if (cut_off) {
    if (rules.where == Rules::Where::kRestore) rules.EndRestore();
    pieces.engine.AbandonRestore();
    whole.engine.AbandonRestore();
  }

  FUZZ_REQUIRE(State(pieces) == State(whole), "the same stream in other pieces, the same state");
  const sim::LinkStats& stats = whole.model.Stats();
  FUZZ_REQUIRE(whole.engine.PendingReplies() == rules.replies.size(), "one reply per request");
  FUZZ_REQUIRE(whole.model.KeyCount() == rules.keys, "every key code acts as a key");
  FUZZ_REQUIRE(stats.stray_bytes == rules.strays, "every other byte is stray");
  FUZZ_REQUIRE(stats.restores == rules.restores, "each \"<2>\" ... \"}\" is a restore");
  FUZZ_REQUIRE(stats.records_restored + stats.records_rejected == rules.records,
               "each record with digits is applied or refused, counted when its restore ends");
  FUZZ_REQUIRE(whole.engine.InRestore() == (rules.where == Rules::Where::kRestore),
               "a restore lasts until its \"}\"");

  const sim::ParameterStore& store = whole.model.Store();
  const std::string backup = store.BackupText(-1);
  CheckBackupText(backup, store.RecordCount(-1));
  // Restored from its own backup, record by record as a restore splits it
  // at ";", a fresh store holds the same records. A text restored empty is
  // the one exception: an empty text keeps the old.
  if (backup.find(",;") == std::string::npos) {
    sim::ParameterStore restored;
    for (size_t start = 0, end; (end = backup.find(';', start)) != std::string::npos;
         start = end + 1) {
      restored.ApplyRestoreRecord(std::string_view(backup).substr(start, end - start));
    }
    FUZZ_REQUIRE(restored.BackupText(-1) == backup, "a backup restores the same records");
  }

  // Producing an image renders the whole panel; a few are enough.
  const auto images = std::count(rules.replies.begin(), rules.replies.end(), kImageReply);
  if (!produce || images > 2) return 0;
  for (const int reply : rules.replies) {
    std::string out;
    whole.engine.ProduceNextReply(out);
    FUZZ_REQUIRE(out.size() >= 2, "a reply has its frame bytes");
    const std::string_view inside = std::string_view(out).substr(1, out.size() - 2);
    FUZZ_REQUIRE(!HasFrameByte(inside), "nothing inside a reply looks like a frame byte");
    if (reply == kImageReply) {
      FUZZ_REQUIRE(out.front() == '{' && out.back() == '}', "an image for a screen request");
    } else {
      FUZZ_REQUIRE(out.front() == '[' && out.back() == ']', "a block for a backup command");
      CheckBackupText(inside, store.RecordCount(reply));
    }
  }
  FUZZ_REQUIRE(!whole.engine.HasPendingReply(), "no reply unasked");
  return 0;
}
