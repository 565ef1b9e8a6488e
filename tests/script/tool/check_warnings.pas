var
  unused: Integer;
begin
  if True and (Cr_GetID > 0) then Victory; // the last apple
end.
