// A small streaming JSON writer for the tools' and the headless mode's output.
// Game text is 8-bit Latin-1; strings are converted to UTF-8 on the way out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The key of the next value inside an object.
  void Key(std::string_view name);
  void String(std::string_view latin1);
  // An array of the strings.
  void Strings(const std::vector<std::string>& latin1);
  void Int(int64_t value);
  void Bool(bool value);
  void Number(double value);
  // The shortest text that reads back as the same single; null for NaN and infinities.
  void Single(float value);
  void Null();
  // The document so far, with a final newline once the outermost value is closed.
  const std::string& Text() const { return out_; }

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void Quoted(std::string_view latin1);

  std::string out_;
  std::vector<bool> first_;  // per open container: no member written yet
  bool afterKey_ = false;
};
