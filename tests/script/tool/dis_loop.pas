var
  n: Integer;
begin
  for n := 1 to 3 do
    if n > 1 then Print('x');
end.
