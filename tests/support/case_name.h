// Names a parameterised test after its case's `name` field.
#ifndef VELK_TESTS_CASE_NAME_H
#define VELK_TESTS_CASE_NAME_H

#include <gtest/gtest.h>

#include <string>

namespace test_support {

struct CaseName {
  template <typename T>
  std::string operator()(const ::testing::TestParamInfo<T>& test) const {
    return std::string(test.param.name);
  }
};

}  // namespace test_support

#endif
