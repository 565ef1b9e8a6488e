procedure Again(N : integer);
begin
  Again(N + 1);
end;

begin
  Again(0);
end.
