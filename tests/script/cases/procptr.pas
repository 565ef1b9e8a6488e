// Procedural types: `@Name`, assignment, comparison with nil and with each other,
// Assigned, and calls through pointers with and without arguments and results.
type
  TProc = procedure(S: string);
  TFunc = function(A, B: Integer): Integer;
  TNoArgs = procedure;
var
  p, q: TProc;
  f: TFunc;
  n: TNoArgs;

procedure Shout(S: string);
begin
  Print(Uppercase(S) + '!');
end;

procedure Whisper(S: string);
begin
  Print(Lowercase(S) + '...');
end;

function Add(A, B: Integer): Integer;
begin
  Result := A + B;
end;

function Mul(A, B: Integer): Integer;
begin
  Result := A * B;
end;

procedure Hello;
begin
  Print('hello');
end;

function Apply(g: TFunc; x, y: Integer): Integer;
begin
  Result := g(x, y);
end;

begin
  if not Assigned(p) then Print('p unassigned');
  if p = nil then Print('p is nil');
  p := @Shout;
  if Assigned(p) then Print('p assigned');
  if p <> nil then Print('p not nil');
  p('Hi');
  q := p;
  if q = p then Print('same');
  q := @Whisper;
  if q <> p then Print('different');
  q('QUIET');
  f := @Add;
  Print(IntToStr(f(2, 3)));
  Print(IntToStr(Apply(@Mul, 4, 5)));
  Print(IntToStr(Apply(f, 10, f(1, 1))));
  n := @Hello;
  n;
  n();
  p := @Print;
  p('through the host');
  p := nil;
  if not Assigned(p) then Print('cleared');
end.

// expect: p unassigned
// expect: p is nil
// expect: p assigned
// expect: p not nil
// expect: HI!
// expect: same
// expect: different
// expect: quiet...
// expect: 5
// expect: 20
// expect: 12
// expect: hello
// expect: hello
// expect: through the host
// expect: cleared
