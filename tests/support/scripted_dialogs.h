#pragma once
// A Dialogs fake for tests: each expected box is scripted with its text,
// title, buttons, icon and the answer to give. An unexpected box, or a box
// whose text differs, fails the test; every box shown is recorded.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "flow/dialogs.h"

namespace drydock::test {

class ScriptedDialogs final : public flow::Dialogs {
 public:
  struct Box {
    std::string text;
    std::string title;
    flow::Buttons buttons = flow::Buttons::Ok;
    flow::Icon icon = flow::Icon::None;
    flow::Answer answer = flow::Answer::Ok;
    // Checked when set: the button Enter presses (No on a question that deletes or overwrites).
    std::optional<flow::Default> preset = std::nullopt;
    // Checked when set: the text folded under the question ("Show Details...").
    std::optional<std::string> details = std::nullopt;
  };

  void Expect(Box box) { script_.push_back(std::move(box)); }
  void ExpectInput(std::optional<std::string> reply) { inputs_.push_back(std::move(reply)); }

  std::optional<std::string> Input(const std::string& prompt, const std::string&, const std::string&) override {
    prompts.push_back(prompt);
    if (inputs_.empty()) {
      ADD_FAILURE() << "unexpected input box: " << prompt;
      return std::nullopt;
    }
    auto reply = inputs_.front();
    inputs_.pop_front();
    return reply;
  }

  // True when every scripted box was shown.
  bool Done() const { return script_.empty() && inputs_.empty(); }

  std::vector<Box> shown;
  std::vector<std::string> prompts;

 protected:
  flow::Answer Show(const std::string& text, const std::string& title, flow::Buttons buttons, flow::Icon icon,
                    flow::Default preset, const std::string& details) override {
    shown.push_back({text, title, buttons, icon, flow::Answer::Ok, preset, details});
    if (script_.empty()) {
      ADD_FAILURE() << "unexpected box \"" << title << "\": " << text;
      return buttons == flow::Buttons::Ok ? flow::Answer::Ok : flow::Answer::No;
    }
    Box want = script_.front();
    script_.pop_front();
    EXPECT_TRUE(want.text.empty() || text == want.text) << text << "\nwanted: " << want.text;  // empty: any text
    EXPECT_EQ(title, want.title);
    EXPECT_EQ(buttons, want.buttons) << text;
    EXPECT_EQ(icon, want.icon) << text;
    if (want.preset) {
      EXPECT_EQ(preset, *want.preset) << "the default button of: " << text;
    }
    if (want.details) {
      EXPECT_EQ(details, *want.details) << "the details of: " << text;
    }
    return want.answer;
  }

 private:
  std::deque<Box> script_;
  std::deque<std::optional<std::string>> inputs_;
};

}  // namespace drydock::test
