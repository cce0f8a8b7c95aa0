// Helpers shared by the test suites.
#ifndef KVL_TESTS_TESTING_H
#define KVL_TESTS_TESTING_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cow.h"
#include "wip.h"

// The message of the level-0 error that `f` reports; fails the test when none.
template <class F>
std::string ErrorOf(F&& f) {
  wip_Capture capture;
  try {
    f();
  } catch (const wip_ErrorException& e) {
    EXPECT_EQ(e.Level(), wip_ERROR);
    return e.Message().str();
  }
  ADD_FAILURE() << "no error reported";
  return {};
}

inline std::vector<std::string> Names(const cow_List<cow_String>& list) {
  std::vector<std::string> names;
  for (const cow_String& s : list) names.push_back(s.str());
  return names;
}

#endif
