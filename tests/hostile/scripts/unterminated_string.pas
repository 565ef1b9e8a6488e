begin
  Print('never closed);
end.
