var S : string;
begin
  S := 'x';
  while True do S := S + S;
end.
