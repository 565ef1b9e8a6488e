// Every label a procedure declares must be set by one of its statements.
procedure P;
label
  used, forgotten;
begin
  goto used;
used:
end;

begin
  P;
end.

// stderr: [Error] (4:9): Label 'forgotten' not set
// status: 1
