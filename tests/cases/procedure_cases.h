// The procedures' cases, one table for every layer that runs them: the
// statuses and listing a run is scripted with, the command word, and the
// output and calls expected. The unit tests run each case in process against
// the recording fake; the Windows tests run the same cases in the 32-bit and
// the 64-bit program against the fake built as bcrypt.dll.
#ifndef VELK_TESTS_PROCEDURE_CASES_H
#define VELK_TESTS_PROCEDURE_CASES_H

#include <iosfwd>
#include <string>
#include <vector>

#include "fake/fake_bcrypt.h"

namespace test_cases {

struct ProcedureCase {
  std::string name;
  std::string command;  // the command word, UTF-8
  fake_bcrypt::Script script;
  std::string output;
  std::vector<fake_bcrypt::Call> calls;  // a release of the listing names LISTING
  friend void PrintTo(const ProcedureCase& c, std::ostream* os);
};

// Stands for the listing's buffer in an expected call to BCryptFreeBuffer.
extern const void* const LISTING;

// Every combination of failing calls of -register and -unregister, and every
// listing case of -enum.
const std::vector<ProcedureCase>& ProcedureCases();

// The expected calls of a case, one line each (see DescribeCall).
std::vector<std::string> ExpectedCallLines(const ProcedureCase& c);

}  // namespace test_cases

#endif
