begin
  Print('start');
  while True do ;
end.
