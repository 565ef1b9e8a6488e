// The working state of one compile, shared by the compiler's stages: the type, constant,
// variable and procedure lists, the scopes, expression trees and the bytecode emitter.
// Each stage lives in its own file (compiler_*.cpp); this header is private to them.
//
// Parsing routines stand on the first token of their construct, leave the parser on the
// token after it, and answer false after raising exactly one error. Expressions are parsed
// into trees (folded where constant) and then generated; statements are generated at once.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/compiler.h"
#include "script/container.h"
#include "script/lexer.h"

// Error codes of the compiler's messages.
enum PSErrorCode : int {
  ecUnknownIdentifier = 0,
  ecIdentifierExpected = 1,
  ecCommentError = 2,
  ecStringError = 3,
  ecCharError = 4,
  ecSyntaxError = 5,
  ecUnexpectedEndOfFile = 6,
  ecSemicolonExpected = 7,
  ecBeginExpected = 8,
  ecPeriodExpected = 9,
  ecDuplicateIdentifier = 10,
  ecColonExpected = 11,
  ecUnknownType = 12,
  ecCloseRoundExpected = 13,
  ecTypeMismatch = 14,
  ecInternalError = 15,
  ecAssignmentExpected = 16,
  ecThenExpected = 17,
  ecDoExpected = 18,
  ecNoResult = 19,
  ecOpenRoundExpected = 20,
  ecCommaExpected = 21,
  ecToExpected = 22,
  ecIsExpected = 23,
  ecOfExpected = 24,
  ecCloseBlockExpected = 25,
  ecVariableExpected = 26,
  ecStringExpected = 27,
  ecEndExpected = 28,
  ecUnSetLabel = 29,
  ecNotInLoop = 30,
  ecInvalidJump = 31,
  ecOpenBlockExpected = 32,
  ecWriteOnlyProperty = 33,
  ecReadOnlyProperty = 34,
  ecClassTypeExpected = 35,
  ecCustomError = 36,
  ecDivideByZero = 37,
  ecMathError = 38,
  ecUnsatisfiedForward = 39,
  ecForwardParameterMismatch = 40,
  ecInvalidNumberOfParameters = 41,
};

// Hint and warning codes.
enum PSHintCode : int { hcVariableNotUsed = 0, hcFunctionNotUsed = 1, hcCustomHint = 2 };
enum PSWarningCode : int { wcCalculationAlwaysEvaluatesTo = 0, wcIsNotNeeded = 1 };

// The text of a message of kind with code and parameter.
std::string PSMessageText(TPSMessageKind kind, int code, std::string_view param);

// A number not yet given in the container.
inline constexpr uint32_t kPSNotNumbered = 0xFFFFFFFF;

// Where a token stood.
struct PSPos {
  size_t Pos = 0;
  int Row = 1;
  int Col = 1;
};

struct PSProc;

// How a type is built.
enum class PSTypeKind {
  Plain,
  Enum,
  Array,
  Interface,
  // records and arrays
  Record,
  StaticArray,
  // values
  Set,
  ProcPtr,
};

struct PSType;

// A field of a record type.
struct PSField {
  std::string Name;  // upper case
  std::string OrgName;
  PSType* Type = nullptr;
};

// A type of the program: standard, declared by the script or by a host header.
struct PSType {
  std::string Name;     // upper case
  std::string OrgName;  // as written
  PSTypeKind Kind = PSTypeKind::Plain;
  TPSBaseType Base = btU8;                // for enumerations, the code they are written as
  int64_t EnumHigh = 0;                   // Enum: the highest value
  bool BoolLike = false;                  // Boolean and the Bool-likes
  bool AnyString = false;                 // AnyString: parameters that accept any string
  PSType* Element = nullptr;              // Array
  uint32_t ContainerNo = kPSNotNumbered;  // given on first use, in that order
  // records and arrays
  std::vector<PSField> Fields;  // Record, in order
  int64_t Low = 0;              // StaticArray: the lowest index
  uint32_t Count = 0;           // StaticArray: the number of elements
  PSType* IndexType = nullptr;  // StaticArray: the type of its bounds
  bool OpenArray = false;       // Array: an `array of` parameter, static or dynamic inside
  // flow: attributes
  std::vector<TPSAttribute> Attributes;
  // values: sets and procedural types
  PSType* SetElement = nullptr;  // Set: the element type (null for the empty set `[]`)
  uint32_t SetBits = 0;          // Set: one bit per element, counted from 0
  PSProc* Signature = nullptr;   // ProcPtr: parameters and result of its procedures
};

// Type classes the operators and conversions test.
bool PSIsInteger(const PSType* t);  // integer kinds and Int64, not enumerations
bool PSIsFloat(const PSType* t);    // Single, Double, Extended, Currency
bool PSIsNumber(const PSType* t);
bool PSIsString(const PSType* t);  // 8-bit strings and PChar
bool PSIsChar(const PSType* t);
bool PSIsBoolean(const PSType* t);
bool PSIsOrdinal(const PSType* t);  // integers, Int64, Char, enumerations
// values: WideString and UnicodeString; WideChar; sets; procedure pointers; Variant.
bool PSIsWideText(const PSType* t);
bool PSIsWideChar(const PSType* t);
bool PSIsSet(const PSType* t);
bool PSIsProcPtr(const PSType* t);
bool PSIsVariant(const PSType* t);
// The container declaration of a procedural type, below 256 bytes.
std::string PSProcTypeDeclaration(const PSType& t);
// The value size of a variable of the type, as the container counts it.
uint32_t PSValueSize(const PSType* t);

// A constant value and its type. Integers, enumerations, characters and Currency (in
// 1/10000) use Int; Single, Double and Extended use Real; strings use Str.
struct PSConst {
  PSType* Type = nullptr;
  int64_t Int = 0;
  long double Real = 0;
  std::string Str;
};

// The mode of a parameter.
enum class PSParamMode { Value, Const, Var, Out };

// One parameter of a routine.
struct PSParam {
  std::string Name;
  std::string OrgName;
  PSType* Type = nullptr;
  PSParamMode Mode = PSParamMode::Value;
  bool ByRef() const { return Mode == PSParamMode::Var || Mode == PSParamMode::Out; }
};

// A parameter list and result type (none for a procedure).
struct PSDecl {
  PSType* Result = nullptr;
  std::vector<PSParam> Params;
};

// Built-ins whose arguments take the caller's own type.
enum class PSUntyped {
  None,
  Length,
  SetLength,
  Low,
  High,
  Inc,
  Dec,
  SizeOf,
  GetArrayLength,
  SetArrayLength,
  Assigned,
};

// A script procedure or a routine of the host (external).
struct PSProc {
  std::string Name;
  std::string OrgName;
  PSDecl Decl;
  bool External = false;
  std::string ExecName;    // External: the executor's upper-case name
  std::string ImportDecl;  // External
  PSUntyped Untyped = PSUntyped::None;
  bool Forward = false;  // declared forward and not yet given its body
  PSPos Where;
  std::string Code;
  std::string DeclText;  // script procedures: the export declaration
  uint32_t ContainerNo = kPSNotNumbered;
  // flow: attributes
  std::vector<TPSAttribute> Attributes;
};

// A global or local variable.
struct PSVar {
  std::string Name;
  std::string OrgName;
  PSType* Type = nullptr;
  PSPos Where;
  bool Used = false;
};

// What a name stands for.
enum class PSSymbolKind { Type, Const, GlobalVar, LocalVar, Param, Result, Proc };

// An entry of a scope.
struct PSSymbol {
  PSSymbolKind Kind = PSSymbolKind::Type;
  PSType* Type = nullptr;  // Type
  size_t Index = 0;        // Const, GlobalVar, LocalVar, Param, Proc: list index
};

// Expression trees, folded where constant.
enum class PSExprKind {
  Const,
  Var,
  Calc,
  Compare,
  Not,
  Negate,
  Convert,
  Call,
  AndThen,
  OrElse,
  // records and arrays
  ArrayOf,   // an open array constructor: its elements in Args
  Zero,      // nil: a zeroed value of its type
  SetBuild,  // a set constructor with computed elements
};

struct PSExpr;
using PSExprPtr = std::unique_ptr<PSExpr>;

// One selector after a variable: a record field or a constant array element (Number), or
// an array element whose index is computed (Index, less Low).
struct PSSelector {
  uint32_t Number = 0;
  PSExprPtr Index;
  int64_t Low = 0;
};

// One node. Var nodes carry the operand's variable number; Calc and Compare an operator
// code; unary nodes their operand in Left; Call nodes a procedure and its arguments.
struct PSExpr {
  PSExprKind Kind = PSExprKind::Const;
  PSType* Type = nullptr;
  PSPos Where;
  PSConst Value;
  uint32_t Var = 0;
  bool Assignable = false;  // Var: may be assigned and passed by reference
  int GlobalIndex = -1;     // Var: the global variable, if it is one
  uint8_t Op = 0;
  PSExprPtr Left, Right;
  PSProc* Proc = nullptr;
  std::vector<PSExprPtr> Args;
  int Height = 1;  // of the tree below and including this node
  // records and arrays
  std::vector<PSSelector> Path;  // Var: the selectors after the variable, in order
  PSExprPtr Source;              // Var: a call whose result slot stands for the variable
  // values: set constructors, calls through procedure pointers, AnyString kinds
  std::vector<std::pair<PSExprPtr, PSExprPtr>> Elements;  // SetBuild: element or range
  PSExprPtr Through;          // Call: the procedure-pointer variable called through
  PSType* AnyKind = nullptr;  // Call: the string type AnyString parameters take
};

// The deepest nesting of statements, factors and expression trees the compiler follows;
// deeper input is refused rather than overflowing the native stack.
inline constexpr int kPSMaxNesting = 500;

// Operator codes of calculate and compare.
enum PSOperator : uint8_t {
  opAdd = 0,
  opSub = 1,
  opMul = 2,
  opDiv = 3,
  opMod = 4,
  opShl = 5,
  opShr = 6,
  opAnd = 7,
  opOr = 8,
  opXor = 9,
  opAs = 10,
  opIntDiv = 11,
  opGreaterEqual = 12,
  opLessEqual = 13,
  opGreater = 14,
  opLess = 15,
  opEqual = 16,
  opNotEqual = 17,
  opIs = 18,
  opIn = 19,
};

// An instruction operand.
struct PSOperand {
  TPSOperandKind Kind = TPSOperandKind::Var;
  uint32_t Var = 0;
  uint32_t Index = 0;
  PSConst Value;  // Const
};

// A jump written with a placeholder distance: where the distance is, the end of the
// instruction it counts from, and the stack depth on the jump's path.
struct PSJump {
  size_t At = 0;
  size_t End = 0;
  int Depth = 0;
};

// A loop being compiled: its pending break and continue jumps and the stack depths at its
// end and at its continue point.
struct PSLoop {
  std::vector<PSJump> Breaks;
  std::vector<PSJump> Continues;
  int EndDepth = 0;
  int BodyDepth = 0;
  size_t TryCount = 0;  // try statements around the loop
};

// A try statement being compiled: its number, the part its statements stand in (0 the
// protected statements, 1 a finally part, 2 an except part, 3 the second finally part) and
// the stack depth at its start.
struct PSTryPart {
  int Id = 0;
  uint8_t Part = 0;
  int Depth = 0;
  bool operator==(const PSTryPart& o) const { return Id == o.Id && Part == o.Part; }
};

// A declared label; once a statement carries it, where that statement starts.
struct PSLabel {
  std::string Name;
  std::string OrgName;
  PSPos Where;
  bool Set = false;
  size_t At = 0;
  int Depth = 0;
  std::vector<PSTryPart> Tries;  // the try parts around it, outermost first
};

// A goto, resolved when its block ends.
struct PSGoto {
  std::string Name;
  PSPos Where;
  PSJump Jump;
  std::vector<PSTryPart> Tries;
};

// A goto that leaves values on the stack behind: its jump lands on pops placed after the
// block's final return, which then jump on to the label.
struct PSGotoStub {
  PSJump Jump;
  int Pops = 0;
  size_t Target = 0;
};

// One compile: created by CompileSource, destroyed when it ends.
class PSCompileSession {
 public:
  PSCompileSession(TPSPascalCompiler& owner, std::string_view source);
  // The whole compile; false after an error or a refusal of OnUses.
  bool Run();
  // DeclareRoutine's work; throws EPSCompilerException for a bad header.
  const TPSRegProc& DeclareHostRoutine(std::string_view header);

  // --- messages (compiler.cpp) ---
  // Raises an error at the current token; answers false.
  bool Error(int code, std::string_view param = {});
  // Raises an error at a position; only the first error of a compile is kept.
  bool ErrorAt(const PSPos& at, int code, std::string_view param = {});
  // Adds a hint.
  void Hint(const PSPos& at, int code, std::string_view param);
  // Adds a warning.
  void Warning(const PSPos& at, int code, std::string_view param);
  // The position of the current token.
  PSPos Here() const;

  // --- lexer helpers ---
  // The current token's kind.
  TPSTokenKind Tk() const { return lex_.TokenKind(); }
  // Moves to the next token.
  void Next() { lex_.Next(); }
  // Moves past a token of kind, or raises code.
  bool Expect(TPSTokenKind kind, int code);

  // --- program frame and declarations (compiler.cpp, compiler_decl.cpp) ---
  // The whole program: heading, uses, declarations and the main block.
  bool ParseProgram();
  // A uses clause, each unit handed to OnUses.
  bool ParseUses();
  // Calls OnUses for a unit; its exceptions become errors.
  bool CallUses(const std::string& unit);
  // A const section at the top level.
  bool ParseConstSection();
  // A type section: aliases and enumerations.
  bool ParseTypeSection();
  // A var section of globals or of the current procedure's locals.
  bool ParseVarSection(bool global);
  // A procedure or function declaration with its body or `forward`.
  bool ParseProcedure();
  // The heading; hands back the forward declaration it completes, if any.
  bool ParseProcHeading(PSProc& proc, PSProc*& forward);
  // Adds a procedure and its name to the global scope.
  PSProc* AddNamedProc(std::unique_ptr<PSProc> proc);
  // A parenthesised parameter list.
  bool ParseParams(PSDecl& decl);
  // Local var sections and the body, compiled into proc.
  bool ParseProcBody(PSProc& proc);
  // The main block, compiled as the procedure "!MAIN".
  bool ParseMainBlock();
  // Checks forwards and raises the unused-variable hints.
  bool FinishProgram();
  // Raises "Duplicate identifier" for a name the scope already has.
  bool CheckNewName(const std::string& name, bool local);
  // Adds a procedure; script procedures are numbered at once.
  PSProc* AddProc(std::unique_ptr<PSProc> proc);
  // The export declaration of a script procedure.
  static std::string DeclText(const PSProc& proc);

  // --- types (compiler_types.cpp) ---
  // The standard types of every compile.
  void RegisterStandardTypes();
  // A new type, named in the global scope unless orgName is empty.
  PSType* AddType(std::string orgName, TPSBaseType base, PSTypeKind kind = PSTypeKind::Plain);
  // An enumeration with its values as constants of the current scope.
  PSType* AddEnum(std::string orgName, std::vector<std::string> values, bool boolLike);
  // The type a global name stands for, or null.
  PSType* FindType(const std::string& upperName) const;
  // The unnamed dynamic array type of an element type.
  PSType* ArrayOf(PSType* element);
  // A type name or `array of` type (parameters, host headers).
  bool ParseTypeRef(PSType*& out);
  // A type reference or an enumeration (type and var sections).
  bool ParseTypeDef(const std::string& orgName, PSType*& out);
  // The container number of a type, given on first use.
  uint32_t TypeNo(PSType* t);
  // Whether two types are one for by-reference passing.
  static bool SameType(const PSType* a, const PSType* b);
  // Whether a value of src may be assigned to dest.
  static bool CanAssign(const PSType* dest, const PSType* src);
  // The result type of a calculating operator, or null when the operands do not fit.
  PSType* CalcResultType(uint8_t op, PSType* left, PSType* right) const;
  // Whether two types may be compared.
  bool CanCompare(const PSType* left, const PSType* right) const;
  // The result type of two integer operands.
  PSType* WiderInteger(const PSType* left, const PSType* right) const;
  // The type of the negation of an integer of type.
  PSType* NegatedInteger(const PSType* type) const;

  // --- constants (compiler_const.cpp) ---
  // A binary operator on two constants.
  bool FoldBinary(const PSPos& at, uint8_t op, const PSConst& l, const PSConst& r, PSConst& out);
  // A calculation with a floating result type.
  bool FoldFloat(const PSPos& at, uint8_t op, PSType* type, const PSConst& l, const PSConst& r,
                 PSConst& out);
  // A calculation with an integer or Boolean result type.
  bool FoldInteger(const PSPos& at, uint8_t op, PSType* type, const PSConst& l, const PSConst& r,
                   PSConst& out);
  // `not` or `-` on a constant.
  bool FoldUnary(const PSPos& at, PSExprKind kind, const PSConst& v, PSConst& out);
  // A constant converted to another type as an assignment would.
  bool ConvertConst(const PSPos& at, const PSConst& v, PSType* to, PSConst& out);
  // An ordinal constant, cut to its type's width.
  PSConst IntConst(PSType* type, int64_t value) const;
  // A Boolean constant.
  PSConst BoolConst(bool value) const;
  // The value bytes of a constant operand (without a string's length).
  std::string EncodeConst(const PSConst& c) const;

  // --- expressions (compiler_expr.cpp) ---
  // An expression of any binding level.
  bool ParseExpression(PSExprPtr& out);
  // The additive level.
  bool ParseSimpleExpression(PSExprPtr& out);
  // The multiplicative level.
  bool ParseTerm(PSExprPtr& out);
  // A factor, counted against the nesting limit.
  bool ParseFactor(PSExprPtr& out);
  // A factor by its first token.
  bool ParseFactorKind(PSExprPtr& out);
  // One more level of nesting; false (with an error) beyond the limit.
  bool Nest();
  // The height of a node from its children.
  void SetHeight(PSExpr& e);
  // A run of quoted strings and character codes.
  bool ParseStringConst(PSExprPtr& out);
  // An integer, hexadecimal or real literal.
  bool ParseNumberConst(PSExprPtr& out);
  // A constant, variable or function call.
  bool ParseIdentifierFactor(PSExprPtr& out);
  // `chr` or `ord` with its parenthesised operand.
  bool ParseChrOrd(PSExprPtr& out);
  // `not`, `-` or `+` before a factor.
  bool ParseUnary(PSExprPtr& out);
  // A variable named by sym, standing on its name.
  bool ParseVariable(const PSSymbol& sym, const PSPos& at, PSExprPtr& out);
  // A string index read, compiled as a StrGet or StrGet2 call.
  bool ParseStringIndex(PSExprPtr& var, PSExprPtr& out);
  // A binary operator node, checked and folded where constant.
  bool MakeBinary(const PSPos& at, uint8_t op, PSExprPtr left, PSExprPtr right, PSExprPtr& out);
  // A node of kind for op over two operands, refused beyond the nesting limit.
  bool OperatorNode(const PSPos& at, PSExprKind kind, PSType* type, uint8_t op, PSExprPtr left,
                    PSExprPtr right, PSExprPtr& out);
  // `and`/`or` with one constant side, with its warning (done when simplified).
  bool SimplifyBoolean(const PSPos& at, uint8_t op, PSExprPtr& left, PSExprPtr& right,
                       PSExprPtr& out, bool& done);
  // An expression that must fold to a constant.
  bool ParseConstExpression(PSConst& out);
  // A name in the local scope, then the global one.
  const PSSymbol* Lookup(const std::string& upperName) const;
  // A constant node.
  PSExprPtr ConstExpr(const PSPos& at, PSConst value) const;

  // --- calls (compiler_call.cpp) ---
  // The arguments of a call, standing after the routine's name.
  bool ParseCall(PSProc& proc, const PSPos& at, PSExprPtr& out);
  // SizeOf of a type or an expression, folded.
  bool ParseSizeOf(const PSPos& at, PSExprPtr& out);
  // The argument checks of the built-ins without parameter lists.
  bool CheckUntyped(PSProc& proc, const PSPos& at, std::vector<PSExprPtr>& args, PSExprPtr& out);
  // One argument against its parameter.
  bool CheckArgument(const PSParam& param, PSExprPtr& arg);
  // A condition must be a Boolean.
  bool CheckCondition(const PSExpr& e);
  // The same; a Variant condition is read as a Boolean at run time.
  bool CheckCondition(PSExprPtr& e);

  // --- code generation (compiler_codegen.cpp) ---
  // An opcode byte.
  void Emit(TPSOpcode op);
  // A u8 operand.
  void EmitU8(uint8_t v);
  // A u32 operand.
  void EmitU32(uint32_t v);
  // A value operand.
  void EmitOperand(const PSOperand& o);
  // dest := left op right as a Boolean (the compare instruction).
  void EmitCompare(uint8_t op, const PSOperand& dest, const PSOperand& left,
                   const PSOperand& right);
  // The operand of a constant.
  static PSOperand ConstOperand(PSConst value);
  // Pushes a zeroed slot of a type; answers its operand.
  PSOperand PushTemp(PSType* type);
  // Pops count values.
  void Pop(int count);
  // A jump with its distance still to patch.
  PSJump EmitJump(TPSOpcode op, const PSOperand* cond = nullptr);
  // Points a jump at a code offset.
  void PatchTo(const PSJump& jump, size_t target);
  // Points a jump at the next instruction, checking the depth.
  void PatchHere(const PSJump& jump);
  // A jump to a known target of a known depth.
  void EmitJumpTo(TPSOpcode op, size_t target, int targetDepth, const PSOperand* cond = nullptr);
  // An internal error when the stack depth is not the expected one.
  void CheckDepth(int expected);
  // An operand for e, computing it into a temporary when needed.
  PSOperand Prepare(const PSExpr& e, int& temps);
  // e into a fresh slot of destType.
  void EmitInto(const PSOperand& dest, PSType* destType, const PSExpr& e);
  // A composite e into a fresh slot of its own type.
  void EmitComputed(const PSOperand& dest, const PSExpr& e);
  // A call, leaving a function's result slot pushed.
  void EmitCall(const PSExpr& call);
  // One argument slot of a call.
  void EmitArgument(const PSParam* param, const PSExpr& arg, bool byRef);
  // dest := e for any destination.
  void EmitAssign(const PSOperand& dest, const PSExpr& e);
  // A condition into a fresh temporary.
  void EmitCondition(const PSExpr& cond, PSOperand& temp);
  // The container number of a procedure, given on first use.
  uint32_t ProcNo(PSProc& proc);
  // Starts writing proc's code at a stack depth.
  void BeginCode(PSProc& proc, int depth);
  // Ends the code with a return.
  void EndCode();
  // The container of the finished compile.
  TPSContainer BuildContainer();

  // --- statements (compiler_stmt.cpp) ---
  // Statements up to one of the terminators.
  bool ParseStatementList(std::initializer_list<TPSTokenKind> terminators);
  // One statement, counted against the nesting limit.
  bool ParseStatement(bool single);
  // One statement by its first token.
  bool ParseStatementKind(bool single);
  // The tokens a statement list stops at.
  bool ParseAfterStatement(std::initializer_list<TPSTokenKind> terminators, bool& done);
  // An assignment, call, break or continue.
  bool ParseIdentifierStatement();
  // `:=` and the value of an assignment.
  bool ParseAssignment(PSExprPtr target);
  // An indexed string assignment, compiled as a StrSet call.
  bool ParseStringAssignment(PSExprPtr var, PSExprPtr index);
  // begin ... end.
  bool ParseBlock();
  // if ... then ... else.
  bool ParseIf();
  // while ... do.
  bool ParseWhile();
  // repeat ... until.
  bool ParseRepeat();
  // for ... to/downto ... do.
  bool ParseFor();
  // The loop of a for statement and its body.
  bool EmitFor(const PSExpr& var, const PSExpr& first, const PSExpr& last, bool up);
  // Patches the innermost loop's breaks and continues.
  void CloseLoop(size_t continueAt);
  // case ... of ... end.
  bool ParseCase();
  // One branch of a case statement.
  bool ParseCaseBranch(const PSOperand& selector, PSType* selectorType, const PSOperand& flag,
                       std::vector<PSJump>& ends);
  // One label of a branch, or-ed into the flag.
  bool ParseCaseLabel(const PSOperand& selector, PSType* selectorType, const PSOperand& flag,
                      bool first);
  // break or continue.
  bool ParseBreakContinue(bool isBreak);
  // exit.
  bool ParseExit();

  // --- built-ins and host headers (compiler_builtins.cpp) ---
  // The built-in routines and the types and constants they use.
  void DeclareBuiltins();
  // A routine header of a host declaration or a built-in.
  bool ParseHeader(std::string_view header, PSProc& proc);
  // The ImportDecl bytes of a parameter list.
  static std::string ImportDeclOf(const PSDecl& decl);

  // --- records and arrays (compiler_records.cpp, compiler_arrays.cpp) ---
  // `record` or `array` type forms of a type or var section, standing on their keyword.
  bool ParseStructuredType(const std::string& orgName, PSType*& out);
  // A record type, standing on RECORD.
  bool ParseRecordType(PSType*& out);
  // The names and type of one field group of a record.
  bool ParseFieldGroup(std::vector<PSField>& fields);
  // A dynamic or static array type, standing on ARRAY.
  bool ParseArrayType(PSType*& out);
  // One index range of a static array: constant bounds or an ordinal type name.
  bool ParseArrayRange(PSType*& indexType, int64_t& low, int64_t& high);
  // A static array type of element over an index range.
  bool MakeStaticArray(const PSPos& at, PSType* indexType, int64_t low, int64_t high,
                       PSType* element, PSType*& out);
  // The open array parameter type of an element type.
  PSType* OpenArrayOf(PSType* element);
  // Field selectors and indexes after a value. With assignment it stops before a string
  // index, which the assignment compiles as a StrSet call.
  bool ParseSelectors(PSExprPtr& e, bool assignment);
  // `.` field, standing on the period.
  bool ParseFieldSelector(PSExprPtr& e);
  // `[` index { `,` index } `]`, standing on the bracket.
  bool ParseIndexSelector(PSExprPtr& e);
  // One index of an array value, appended to its selectors.
  bool AddIndex(PSExprPtr& e, PSExprPtr index);
  // Appends a selector; a value that is no variable becomes the source of one.
  void AddSelector(PSExprPtr& e, PSSelector selector, PSType* type);
  // The operand of a variable with selectors: references to the aggregates on the way and
  // index variables are pushed (temps counts them).
  PSOperand SelectOperand(const PSExpr& e, int& temps);
  // The index variable of a computed index, pushed when it must be computed.
  uint32_t IndexVar(const PSSelector& selector, int& temps);
  // Length, Low, High and GetArrayLength of arrays whose bounds are known, and of open
  // array parameters; done when handled.
  bool ArrayBuiltin(PSProc& proc, const PSPos& at, std::vector<PSExprPtr>& args, PSExprPtr& out,
                    bool& done);
  // An argument of an open array parameter.
  bool CheckOpenArrayArgument(const PSParam& param, PSExprPtr& arg);
  // Its slot: a copy of the array as it is (static or dynamic), or a reference.
  void EmitOpenArrayArgument(const PSExpr& arg, bool byRef);
  // The record and array parts of a type's container entry.
  void FillContainerType(const PSType& type, TPSContainerType& entry);
  // The value size of a record or static array, as the container counts it.
  static uint64_t AggregateSize(const PSType* t);
  // Whether two static arrays have the same bounds and elements.
  static bool SameStaticArray(const PSType* a, const PSType* b);
  // Whether a type is a record, a static, dynamic or open array.
  static bool IsRecord(const PSType* t);
  static bool IsStaticArray(const PSType* t);
  static bool IsAnyArray(const PSType* t);
  // An argument of a call: an array constructor for an open array parameter.
  bool ParseArgument(const PSProc& proc, size_t index, PSExprPtr& out);
  // '[' [ expression { ',' expression } ']' of an open array of element.
  bool ParseArrayConstructor(PSType* element, PSExprPtr& out);
  // The array of a constructor into dest, a fresh slot of its dynamic array type.
  void EmitArrayConstructor(const PSOperand& dest, const PSExpr& e);
  // with -> WITH expression { ',' expression } DO statement
  bool ParseWith();
  // An assignment to a variable with its selectors parsed, or an indexed string one.
  bool ParseTargetStatement(PSExprPtr target);
  // A record field that an enclosing `with` names, as a variable.
  bool FindWithField(const std::string& name, const PSPos& at, PSExprPtr& out);
  // --- values: sets (compiler_sets.cpp) ---
  // `set of T`, standing on SET.
  bool ParseSetType(PSType*& out);
  // The unnamed set type of an element type (null: the type of `[]`).
  PSType* SetOf(PSType* element);
  // A set constructor `[a, b, c..d]`, standing on '['.
  bool ParseSetConstructor(PSExprPtr& out);
  // One element or range of a set constructor into the constant bits or the computed list.
  bool ParseSetElement(PSType*& element, std::string& bits, PSExpr& build);
  // A binary operator with a set operand; done when it was one.
  bool MakeSetBinary(const PSPos& at, uint8_t op, PSExprPtr& left, PSExprPtr& right, PSExprPtr& out,
                     bool& done);
  // Computes a set constructor into dest, a fresh empty set slot.
  void EmitSetBuild(const PSOperand& dest, const PSExpr& e);
  // Adds every element of a computed range to dest.
  void EmitSetRange(const PSOperand& dest, const PSExpr& low, const PSExpr& high);

  // --- values: procedural types, nil, interfaces (compiler_procptr.cpp) ---
  // `procedure (params)` or `function (params): T`, standing on the keyword.
  bool ParseProcType(PSType*& out);
  // `interface (parent) ... end`, standing on INTERFACE.
  bool ParseInterfaceType(const std::string& orgName, PSType*& out);
  // `@Name`, standing on the at sign.
  bool ParseAddressOf(PSExprPtr& out);
  // NIL.
  bool ParseNil(PSExprPtr& out);
  // A call through the procedure pointer var, standing after it.
  bool ParseCallThrough(PSExprPtr var, const PSPos& at, PSExprPtr& out);
  // Gives nil and `[]` the type they are used as.
  void FitUntyped(PSExpr& e, PSType* to);
  // Whether two parameter lists and results match.
  static bool SameSignature(const PSDecl& a, const PSDecl& b);
  // Assignment rules of sets, procedure pointers, interfaces, wide strings and variants;
  // decided is false when they do not apply.
  static bool ValueCanAssign(const PSType* dest, const PSType* src, bool& decided);
  // Comparison rules of the same types; decided as above.
  bool ValueCanCompare(const PSType* left, const PSType* right, bool& decided) const;

  // --- values: wide strings (compiler_wide.cpp) ---
  // The result type of an operator on wide strings and characters, or null.
  PSType* WideResultType(uint8_t op, PSType* left, PSType* right) const;
  // A string constant of wide characters.
  PSExprPtr WideConst(const PSPos& at, const std::u16string& text);
  // `ws[i]` read through WStrGet.
  bool ParseWideIndex(PSExprPtr& var, PSExprPtr& out);
  // `ws[i] := c` through WStrSet.
  bool ParseWideAssignment(PSExprPtr var, PSExprPtr index);
  // `+` or a comparison of two constant texts, one of them wide.
  bool FoldWide(uint8_t op, const PSExpr& left, const PSExpr& right, PSExprPtr& out);
  // The string kind a call's AnyString parameters and result take from its arguments.
  void FitAnyString(PSExpr& call);

  TPSPascalCompiler& owner_;
  std::string source_;
  TPSPascalParser lex_;
  bool failed_ = false;

  std::vector<std::unique_ptr<PSType>> types_;
  std::vector<PSType*> usedTypes_;  // in container order
  std::vector<PSConst> consts_;
  std::vector<PSVar> globals_;
  std::vector<std::unique_ptr<PSProc>> procs_;
  std::vector<PSProc*> numberedProcs_;  // in container order
  std::vector<std::unique_ptr<TPSRegProc>> regProcs_;
  std::map<std::string, PSSymbol> globalScope_;
  std::vector<std::string> units_;

  // The procedure being compiled (null at the top level) and its scope.
  PSProc* proc_ = nullptr;
  std::map<std::string, PSSymbol> localScope_;
  std::vector<PSVar> locals_;
  std::string* code_ = nullptr;
  int depth_ = 0;
  int nesting_ = 0;
  std::vector<PSLoop> loops_;

  PSType* boolean_ = nullptr;
  PSType* longInt_ = nullptr;
  PSType* longWord_ = nullptr;
  PSType* int64_ = nullptr;
  PSType* extended_ = nullptr;
  PSType* string_ = nullptr;
  PSType* char_ = nullptr;
  PSType* pointer_ = nullptr;
  PSProc* strGet_ = nullptr;
  PSProc* strGet2_ = nullptr;
  PSProc* strSet_ = nullptr;
  // records and arrays
  struct PSWithScope {
    PSType* Type = nullptr;  // the record
    uint32_t Var = 0;        // the record variable, or a reference to it
    bool Assignable = false;
  };
  std::vector<PSWithScope> withs_;  // innermost last
  PSProc* getArrayLength_ = nullptr;
  PSProc* setArrayLength_ = nullptr;

  // --- flow: try statements, labels, goto and attributes (compiler_try.cpp) ---
  // try ... finally/except ... end in its four shapes.
  bool ParseTry();
  // The statements of one part of the innermost try, up to one of the terminators.
  bool ParseTryPart(uint8_t part, std::initializer_list<TPSTokenKind> terminators);
  // Closes the parts of the tries above keep, innermost first (break and continue).
  void LeaveTries(size_t keep);
  // A label section of the main block (global) or of the current procedure.
  bool ParseLabelSection(bool global);
  // The labels of the block being compiled.
  std::vector<PSLabel>& CurrentLabels() { return proc_ ? localLabels_ : globalLabels_; }
  // A label of a list by upper-case name, or null.
  static PSLabel* FindLabel(std::vector<PSLabel>& labels, const std::string& name);
  // label ':' statement, standing on the label.
  bool ParseLabelStatement(PSLabel& label);
  // goto label.
  bool ParseGoto();
  // Checks the labels and gotos of the block that ends; patches the gotos.
  bool ResolveLabels();
  // The pops of gotos that leave values behind, after the block's return.
  void EmitGotoStubs();
  // An external declaration, standing on EXTERNAL.
  bool ParseExternal();
  // Attribute lists in square brackets before a type or procedure declaration
  // (compiler_attributes.cpp); they wait in pendingAttributes_.
  bool ParseAttributes();
  // One attribute with its arguments.
  bool ParseAttribute();
  // The attributes read before a declaration, handed to it.
  std::vector<TPSAttribute> TakeAttributes();
  // DeclareAttributeType's work; throws EPSCompilerException for a bad header.
  void DeclareHostAttributeType(std::string_view header);
  // A host attribute type by upper-case name, or null.
  const PSProc* FindAttributeType(const std::string& name) const;
  std::vector<std::unique_ptr<PSProc>> attributeTypes_;
  std::vector<TPSAttribute> pendingAttributes_;
  std::vector<PSTryPart> tries_;
  int tryCount_ = 0;
  std::vector<PSLabel> globalLabels_;
  std::vector<PSLabel> localLabels_;
  std::vector<PSGoto> gotos_;
  std::vector<PSGotoStub> gotoStubs_;
  // values
  PSType* byte_ = nullptr;
  PSType* wideChar_ = nullptr;
  PSType* wideString_ = nullptr;
  PSType* nil_ = nullptr;  // the type of NIL until it is fitted
  PSProc* wstrGet_ = nullptr;
  PSProc* wstrSet_ = nullptr;
  PSProc* wstrGet2_ = nullptr;  // WStrGet with a value parameter, made on first use
  std::vector<std::unique_ptr<PSProc>> signatures_;  // of procedural types; never numbered
};
