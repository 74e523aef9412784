// The people of a test: installs a qv::ScriptedPeople for the life of the
// object, turns every unexpected question into a test failure and, at the
// end, fails the test when queued answers were never asked for.
//
//   qvtest::ScriptedPeople people;
//   people.QueueAnswer(IDYES);
//   ... code under test ...
//   EXPECT_EQ(people.Calls().at(0).text, "...");
#pragma once

#include <gtest/gtest.h>

#include "platform/ui/scripted_prompt.h"

namespace qvtest {

class ScriptedPeople : public qv::ScriptedPeople {
 public:
  ScriptedPeople() {
    SetFailureHook([](const std::string& what) { ADD_FAILURE() << what; });
    previous_ = qv::SetPeople(this);
  }
  ~ScriptedPeople() override {
    qv::SetPeople(previous_);
    if (Pending() != 0) ADD_FAILURE() << "queued answers never asked for: " << DescribePending();
  }

 private:
  qv::People* previous_ = nullptr;
};

}  // namespace qvtest
