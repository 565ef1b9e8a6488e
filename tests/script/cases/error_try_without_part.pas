// A try statement needs a finally or an except part before its end.
begin
  try
    Print('alone');
  end;
end.

// stderr: [Error] (5:3): 'END' expected
// status: 1
