begin
  Print('not closed);
end.
// stderr: [Error] (2:9): String error
// status: 1
