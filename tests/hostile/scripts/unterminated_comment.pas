begin
  { never closed
  Print('x');
end.
