// The script compiler: reads a Pascal-syntax level script in one pass, checks its
// declarations and types, folds constant expressions, generates executor bytecode for every
// procedure and writes the compiled container (script/container.h) that the executor loads.
// The host declares its routines from the OnUses hook; every message of the last compile
// is kept with its position.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// What a compiler message is.
enum class TPSMessageKind { Error, Hint, Warning };

// One error, hint or warning of a compile.
struct TPSPascalCompilerMessage {
  TPSMessageKind Kind = TPSMessageKind::Error;
  int Code = 0;  // the message code of its kind
  std::string Param;
  std::string Module;   // "" for the main program
  size_t Position = 0;  // byte index of the token
  int Row = 1, Col = 1;
  // The message text: "Unknown identifier 'X'".
  std::string ShortMessageToString() const;
  // The text with kind, module and position: "[Error] (1:5): Unknown identifier 'X'".
  std::string MessageToString() const;
};

// A host declaration that the compiler refuses, or one made outside OnUses.
class EPSCompilerException : public std::runtime_error {
 public:
  using runtime_error::runtime_error;
};

// A declared host routine.
struct TPSRegProc {
  std::string Name;        // upper case
  std::string OrgName;     // as written
  std::string ImportDecl;  // result byte, then one by-reference byte per parameter
};

class PSCompileSession;

// Compiles one script source at a time into a container.
class TPSPascalCompiler {
 public:
  // Called with "SYSTEM" at the start of every compile and with each unit of a `uses`
  // clause, upper-cased; false ends the compile without a message of its own.
  using UsesHook = std::function<bool(TPSPascalCompiler&, const std::string& unitName)>;

  // A compiler with no hook and no messages.
  TPSPascalCompiler();
  // Frees the working lists of a compile still open.
  ~TPSPascalCompiler();
  TPSPascalCompiler(const TPSPascalCompiler&) = delete;
  TPSPascalCompiler& operator=(const TPSPascalCompiler&) = delete;

  // The declaration hook; empty by default.
  UsesHook OnUses;
  // Whether Boolean `and`/`or` skip their right operand when the left decides; off.
  bool BooleanShortCircuit = false;

  // Compiles source; true when it compiled without error. Discards the messages and the
  // container of the previous compile.
  bool CompileSource(std::string_view source);
  // Copies the container of the last successful compile; false (data untouched) for none.
  bool GetCompiledData(std::string& data) const;
  // The messages of the last compile in the order raised.
  const std::vector<TPSPascalCompilerMessage>& Messages() const;
  // Declares a host routine from a header such as "function GetInt(Name: string): integer".
  // Only from inside OnUses; otherwise throws EPSCompilerException("This function can only
  // be called from within the OnUses event"); a bad header throws
  // EPSCompilerException("Unable to register function " + header).
  const TPSRegProc& DeclareRoutine(std::string_view header);
  // Declares an attribute type that scripts may name in square brackets before a type or
  // procedure declaration, from a header such as "Tag(Name: string; Level: integer)": its
  // fields are value parameters. Only from inside OnUses; a bad header throws
  // EPSCompilerException("Unable to register type " + header).
  void DeclareAttributeType(std::string_view header);

 private:
  std::vector<TPSPascalCompilerMessage> messages_;
  std::string output_;
  bool hasOutput_ = false;
  // The working lists of the compile that runs; null between compiles.
  std::unique_ptr<PSCompileSession> session_;
  // Whether OnUses is running, the only time host declarations are accepted.
  bool inUses_ = false;

  friend class PSCompileSession;
};
