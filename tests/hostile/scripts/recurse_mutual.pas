procedure B(S : string); forward;

procedure A(S : string);
begin
  B(S + 'a');
end;

procedure B(S : string);
begin
  A(S);
end;

begin
  A('');
end.
