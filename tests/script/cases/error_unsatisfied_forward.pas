procedure Later(n: Integer); forward;

begin
  Later(1);
end.
// stderr: [Error] (1:11): Unsatisfied Forward Later
// status: 1
