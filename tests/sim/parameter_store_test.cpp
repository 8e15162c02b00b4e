#include "parameter_store.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "params/restore.h"

namespace corvane::sim {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1) {
    lines.push_back(text.substr(start, lf - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last LF";
  return lines;
}

// Splits restore data at ";" as the controller does and applies each record.
size_t ApplyAll(ParameterStore& store, const std::string& data) {
  size_t applied = 0;
  size_t start = 0;
  for (size_t semi; (semi = data.find(';', start)) != std::string::npos; start = semi + 1) {
    const auto result =
        store.ApplyRestoreRecord(std::string_view(data).substr(start, semi - start));
    if (result == ApplyResult::kApplied) ++applied;
  }
  return applied;
}

TEST(ParameterCatalogue, HoldsEveryKindOfRecordCorvaneTreatsApart) {
  std::set<int> kinds;
  for (const ParameterDef& def : ParameterCatalogue()) {
    if (def.type == 108) kinds.insert(0);
    else if (def.type == kTextRecordType) kinds.insert(1);
    else if (def.type > kTextRecordType) kinds.insert(2);
    else kinds.insert(3);  // below 200: not carried by a partial restore
    EXPECT_LE(def.label.size(), 10u);
  }
  EXPECT_EQ(kinds.size(), 4u);
  EXPECT_GE(ParameterCatalogue().size(), 24u);
  EXPECT_EQ(ParameterCatalogue()[kNameRecord].type, kTextRecordType);
}

TEST(ParameterStore, AddressesCarryTheirStation) {
  const ParameterStore store;
  std::set<uint32_t> all;
  for (int s = 0; s < kStationCount; ++s) {
    for (const ParameterRecord& r : store.Station(s)) {
      EXPECT_EQ(AddressStation(r.address), s);
      EXPECT_EQ(AddressType(r.address), r.def->type);
      EXPECT_EQ(AddressGroup(r.address), r.def->group);
      EXPECT_EQ(AddressIndex(r.address), r.def->index);
      EXPECT_TRUE(all.insert(r.address).second) << "duplicate address " << r.address;
      EXPECT_EQ(store.Find(r.address), &r);
    }
  }
  EXPECT_EQ(MakeAddress(108, 3, 2, 5), 108u * 65536 + 3 * 256 + 2 * 16 + 5);
}

TEST(ParameterStoreBackup, ListsOneRecordALineEndingInLf) {
  const ParameterStore store;
  const std::string one = store.BackupText(2);
  const std::vector<std::string> lines = Lines(one);
  ASSERT_EQ(lines.size(), store.RecordCount(2));
  for (size_t i = 0; i < lines.size(); ++i) {
    const ParameterRecord& r = store.Station(2)[i];
    std::ostringstream want;
    if (AddressType(r.address) == kTextRecordType) {
      want << r.address << ' ' << r.value << ',' << r.text << ';';
    } else {
      want << r.address << ' ' << r.value << " ;";
    }
    EXPECT_EQ(lines[i], want.str());
  }
  // All stations: the eight blocks back to back, one ";" a record, and no
  // byte that would end the block early.
  std::string all;
  for (int s = 0; s < kStationCount; ++s) all += store.BackupText(s);
  EXPECT_EQ(store.BackupText(-1), all);
  EXPECT_EQ(static_cast<size_t>(std::count(all.begin(), all.end(), ';')), store.RecordCount(-1));
  EXPECT_EQ(all.find(']'), std::string::npos);
}

// A block read back the way Corvane reads a parameter file for a partial
// restore: what RetargetRecord makes of each line, applied to another store,
// must land every forwarded record on the target station.
TEST(ParameterStoreBackup, ReadsBackThroughCorvanesRecordReading) {
  ParameterStore source;
  // Values and a text that differ from every default.
  for (const ParameterRecord& r : source.Station(2)) source.SetValue(r.address, r.value + 1000);
  ASSERT_EQ(source.ApplyRestoreRecord(std::to_string(MakeAddress(200, 0, 2, 0)) + " 7,BOILER 3"),
            ApplyResult::kApplied);

  const uint16_t target = 5;
  std::string restore_data;
  size_t sent = 0;
  for (const std::string& line : Lines(source.BackupText(2))) {
    const std::optional<std::string> record = RetargetRecord(line, target);
    if (!record) continue;
    ++sent;
    restore_data += *record;
  }
  ParameterStore store;
  const ParameterStore defaults;
  EXPECT_EQ(ApplyAll(store, restore_data), sent);
  for (size_t i = 0; i < ParameterCatalogue().size(); ++i) {
    const ParameterDef& def = ParameterCatalogue()[i];
    const ParameterRecord& got = store.Station(target)[i];
    const bool forwarded = def.type == 108 || def.type >= kTextRecordType;
    const ParameterRecord& want = forwarded ? source.Station(2)[i] : defaults.Station(target)[i];
    EXPECT_EQ(got.value, want.value) << def.label;
    if (def.type == kTextRecordType) {
      EXPECT_EQ(got.text, want.text) << def.label;
    }
  }
  EXPECT_EQ(store.Station(target)[kNameRecord].text, "BOILER 3");
  // The station the block came from is untouched in the receiving store.
  EXPECT_EQ(store.Station(2)[4].value, defaults.Station(2)[4].value);
}

TEST(ParameterStoreRestore, FullFormPutsEveryRecordBack) {
  const ParameterStore saved;
  const std::string block = saved.BackupText(-1);
  // A full restore sends each line without its LF, back to back.
  std::string data;
  for (const std::string& line : Lines(block)) data += line;
  ParameterStore store;
  for (int s = 0; s < kStationCount; ++s) {
    for (const ParameterRecord& r : store.Station(s)) store.SetValue(r.address, 424242);
  }
  ASSERT_EQ(store.ApplyRestoreRecord(std::to_string(MakeAddress(200, 0, 7, 1)) + " 1,CHANGED"),
            ApplyResult::kApplied);
  EXPECT_EQ(ApplyAll(store, data), saved.RecordCount(-1));
  EXPECT_EQ(store.BackupText(-1), block);
}

TEST(ParameterStoreRestore, TextRecordsInBothForms) {
  ParameterStore store;
  const uint32_t name = MakeAddress(200, 0, 4, 0);
  EXPECT_EQ(store.ApplyRestoreRecord(std::to_string(name) + " 9,PUMP A"), ApplyResult::kApplied);
  EXPECT_EQ(store.Find(name)->text, "PUMP A");
  EXPECT_EQ(store.Find(name)->value, 9u);
  // Rebuilt by a partial restore: one blank, then the text; the LF that
  // ended the record before it is only a leading byte here.
  EXPECT_EQ(store.ApplyRestoreRecord("\n" + std::to_string(name) + " 4 PUMP B2"),
            ApplyResult::kApplied);
  EXPECT_EQ(store.Find(name)->text, "PUMP B2");
  EXPECT_EQ(store.Find(name)->value, 4u);
  // No text part: the value changes, the text stays.
  EXPECT_EQ(store.ApplyRestoreRecord(std::to_string(name) + " 5"), ApplyResult::kApplied);
  EXPECT_EQ(store.Find(name)->text, "PUMP B2");
  // A text that would end a backup block early, or is too long, is cleaned.
  EXPECT_EQ(
      store.ApplyRestoreRecord(std::to_string(name) + " 1,A]B{C}D[E\x01" + std::string(40, 'X')),
      ApplyResult::kApplied);
  EXPECT_EQ(store.Find(name)->text, "A?B?C?D?E?" + std::string(kMaxRecordText - 10, 'X'));
  EXPECT_EQ(store.BackupText(4).find(']'), std::string::npos);
}

TEST(ParameterStoreRestore, TextCutAtABlankComesBackFromItsBackup) {
  ParameterStore store;
  const uint32_t name = MakeAddress(200, 0, 1, 0);
  // The 24th character is a blank: the cut text must not end in it, or the
  // backup line "... ;" would restore without it.
  const std::string text = std::string(kMaxRecordText - 1, 'N') + " TAIL";
  ASSERT_EQ(store.ApplyRestoreRecord(std::to_string(name) + " 1," + text), ApplyResult::kApplied);
  EXPECT_EQ(store.Find(name)->text, std::string(kMaxRecordText - 1, 'N'));
  ParameterStore restored;
  std::string data;
  for (const std::string& line : Lines(store.BackupText(1))) data += line;
  ApplyAll(restored, data);
  EXPECT_EQ(restored.BackupText(1), store.BackupText(1));
}

TEST(ParameterStoreRestore, RefusesWhatItCannotPlace) {
  ParameterStore store;
  const ParameterStore defaults;
  // Station 9..16 does not exist; an address of no catalogue entry neither.
  EXPECT_EQ(store.ApplyRestoreRecord(std::to_string(MakeAddress(108, 0, 9, 0)) + " 5 "),
            ApplyResult::kUnknownAddress);
  EXPECT_EQ(store.ApplyRestoreRecord(std::to_string(MakeAddress(108, 7, 0, 0)) + " 5 "),
            ApplyResult::kUnknownAddress);
  EXPECT_EQ(store.ApplyRestoreRecord(std::to_string(MakeAddress(108, 0, 0, 0)) + " "),
            ApplyResult::kMalformed);
  EXPECT_EQ(store.ApplyRestoreRecord(" \r\n "), std::nullopt);
  // A value wraps in 32 bits, as Corvane reads it.
  const uint32_t a = MakeAddress(201, 0, 1, 3);
  EXPECT_EQ(store.ApplyRestoreRecord(std::to_string(a) + " 4294967297 "), ApplyResult::kApplied);
  EXPECT_EQ(store.Find(a)->value, 1u);
  EXPECT_EQ(store.BackupText(0), defaults.BackupText(0));
}

}  // namespace
}  // namespace corvane::sim
