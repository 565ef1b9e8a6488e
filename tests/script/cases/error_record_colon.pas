type
  TPair = record
    Left, Right Integer;
  end;
begin
end.
// stderr: [Error] (3:17): colon (':') expected
// status: 1
