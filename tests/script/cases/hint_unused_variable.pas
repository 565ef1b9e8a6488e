var
  unused: Integer;
  used: Integer;
begin
  used := 1;
  Print('ran');
end.
// expect: ran
// stderr: [Hint] (2:3): Variable 'unused' never used
