// A goto may not jump into a try part from outside it.
label
  inside;
begin
  goto inside;
  try
  inside:
    Print('in');
  finally
  end;
end.

// stderr: [Error] (5:8): Invalid jump
// status: 1
