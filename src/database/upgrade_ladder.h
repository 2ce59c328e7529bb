// The format upgrade as data: one rung per step, in the order the steps run, each saying
// for which stored versions it runs and what becomes of its errors; one loop climbs it.
//
// A step runs only when its change is still to be made, so a file that needs nothing is
// recognised by reading its table definitions. The loop runs inside the caller's
// transaction: a step whose errors are absorbed runs in a savepoint of its own, which
// undoes its partial work when it fails, and the climb goes on; any other failure
// reaches the caller, whose transaction then undoes the whole upgrade.
#pragma once

#include <span>
#include <string_view>

#include "orvalis/database.h"

namespace orvalis::database {

// Which stored versions a step runs for. Versions compare as text, character by character.
enum class StoredVersions {
  kOutsideKnownFamily,  // none of "0700", "0070", "0701", "0710", "0720", "0730", "0740", "0750"
  kBelow0710,
  kBelow0790,
};

// What becomes of a step's error.
enum class StepErrors {
  kAbsorbed,     // its own work is undone and the climb goes on
  kReachCaller,  // the climb stops and the error reaches the caller
};

struct UpgradeStep {
  std::string_view name;  // the MantemDB member that runs it, or what it does
  int check_step;         // the step of the format check it belongs to: 5, 6 or 7
  StoredVersions versions;
  StepErrors errors;
  bool (*pending)(Database& db);  // true while its change is still to be made
  void (*run)(Database& db);
};

// The rungs, in the order they run.
std::span<const UpgradeStep> UpgradeLadder();
bool RunsFor(const UpgradeStep& step, std::string_view version);
// The rung of that name (3265 when there is none).
const UpgradeStep& UpgradeStepNamed(std::string_view name);

// Runs one step on its own, as MantemDB's Add operations do: true when it ended normally;
// when it fails its partial work is undone and the error is swallowed (reported as
// "MantemDB.<name>").
bool RunStepAbsorbed(Database& db, const UpgradeStep& step);

// True when no step for `version` has work left and every table and column of the
// current schema is there. Reads the table definitions only.
bool NothingToUpgrade(Database& db, std::string_view version);

// Runs, in order, each step for `version` that has work left. Raises the error of a step
// whose errors reach the caller; the error of an absorbed step whose change is still
// missing at the end; 3049 naming the file when a table of the current schema, or a
// column of it that no step adds, is still missing (the file is damaged).
// REQUIRES: the caller holds the transaction that undoes the climb when it raises.
void ClimbLadder(Database& db, std::string_view version);

}  // namespace orvalis::database
