// Calling through a procedure pointer that was never set stops the script.
var
  p: procedure;

procedure Hello;
begin
  Print('hello');
end;

begin
  p := @Hello;
  p;
  p := nil;
  p;
  Print('not reached');
end.
// expect: hello
// stderr: Null Pointer Exception
// status: 1
