#include "data/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ += ',';
    first_.back() = false;
  }
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ += bracket;
  first_.push_back(true);
}

void JsonWriter::Close(char bracket) {
  out_ += bracket;
  first_.pop_back();
  if (first_.empty()) out_ += '\n';
}

void JsonWriter::BeginObject() {
  Open('{');
}
void JsonWriter::EndObject() {
  Close('}');
}
void JsonWriter::BeginArray() {
  Open('[');
}
void JsonWriter::EndArray() {
  Close(']');
}

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  Quoted(name);
  out_ += ':';
  afterKey_ = true;
}

void JsonWriter::String(std::string_view latin1) {
  BeforeValue();
  Quoted(latin1);
}

void JsonWriter::Strings(const std::vector<std::string>& latin1) {
  BeginArray();
  for (const std::string& text : latin1)
    String(text);
  EndArray();
}

void JsonWriter::Int(int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::Number(double value) {
  BeforeValue();
  if (!std::isfinite(value)) {  // JSON has no NaN or infinity
    out_ += "null";
    return;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", value);
  out_ += buf;
}

void JsonWriter::Single(float value) {
  BeforeValue();
  if (!std::isfinite(value)) {
    out_ += "null";
    return;
  }
  char buf[32];
  out_.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

void JsonWriter::Quoted(std::string_view latin1) {
  out_ += '"';
  for (unsigned char c : latin1) {
    if (c == '"' || c == '\\') {
      out_ += '\\';
      out_ += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out_ += buf;
    } else if (c < 0x80) {
      out_ += static_cast<char>(c);
    } else {  // Latin-1 to UTF-8
      out_ += static_cast<char>(0xC0 | (c >> 6));
      out_ += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out_ += '"';
}
