const
  C = 10 div 0;
begin
end.
// stderr: [Error] (2:10): Divide by Zero
// status: 1
