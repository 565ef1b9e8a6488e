begin
  Print('a');
  break;
end.
// stderr: [Error] (3:3): Not in a loop
// status: 1
