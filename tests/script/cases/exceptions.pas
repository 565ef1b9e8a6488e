// Try statements in their four shapes, exceptions out of called routines, re-raising,
// errors inside finally and except parts, exit, break and continue out of try parts, and
// the exception routines.
var
  i, zero, count: Integer;
  e: TQXException;
  s: string;
  firstProc, firstPos: Cardinal;

procedure Fail(what: string);
var
  local: Integer;
begin
  local := 1;
  RaiseException(erCustomError, what);
  Print('not reached');
end;

procedure Deeper;
begin
  try
    Fail('from deep');
  finally
    Print('deeper finally');
  end;
end;

function Guarded(n: Integer): Integer;
begin
  Result := 0;
  try
    Result := n;
    if n > 0 then exit;
    Result := -1;
  finally
    Print('guarded finally ' + IntToStr(Result));
    Result := Result * 10;
  end;
  Print('after the try');
end;

// exit from inside a case statement: the finally part runs on the stack as the try found it.
function Picked(n: Integer): string;
begin
  try
    case n + 0 of
      1: exit;
    end;
    Result := 'none';
  finally
    Result := Result + '<' + IntToStr(n * 2);
  end;
end;

function Described: string;
begin
  Result := ExceptionToString(ExceptionType, ExceptionParam);
end;

procedure ReRaise;
begin
  try
    i := 1 div zero;
  except
    Print('inner ' + Described);
    firstProc := ExceptionProc;
    firstPos := ExceptionPos;
    RaiseLastException;
    Print('not reached');
  end;
end;

begin
  // except catches a runtime error and sees its code and parameter.
  try
    Print('before');
    i := 10 div zero;
    Print('not reached');
  except
    Print('caught ' + Described + ' ' + IntToStr(ord(ExceptionType)));
  end;
  // Without an error the except part is skipped; finally always runs.
  try
    Print('quiet');
  except
    Print('not reached');
  end;
  try
    Print('body');
  finally
    Print('finally');
  end;
  // An exception raised two calls down passes a finally part on its way out.
  try
    Deeper;
  except
    Print('caller ' + Described);
  end;
  // Re-raising keeps the code, the parameter and the place of the first raise.
  try
    ReRaise;
  except
    Print('outer ' + Described);
    Print('place kept ' + IntToStr(ord(ExceptionProc = firstProc)) +
      IntToStr(ord(ExceptionPos = firstPos)) + IntToStr(ord(firstPos > 0)));
  end;
  // try finally except: the finally part runs first, then the except part takes the error.
  try
    Fail('A');
  finally
    Print('finally of A');
  except
    Print('except ' + ExceptionParam);
  end;
  try
    Print('A quiet');
  finally
    Print('finally quiet');
  except
    Print('not reached');
  end;
  // An error in the finally part goes to the except part of the same statement.
  try
    Print('A');
  finally
    Fail('in finally');
  except
    Print('except ' + ExceptionParam);
  end;
  // try except finally: the second finally part runs after the except part, also when
  // the except part raises; that error then goes on to the next handler.
  try
    try
      Fail('first');
    except
      Print('except ' + ExceptionParam);
      Fail('second');
    finally
      Print('second finally ' + IntToStr(ord(ExceptionType)));
      RaiseLastException;
    end;
  except
    Print('outer ' + ExceptionParam);
  end;
  try
    Print('A quiet');
  except
    Print('not reached');
  finally
    Print('second finally quiet');
  end;
  try
    Fail('held');
  except
    Print('except ' + ExceptionParam);
  finally
    Print('second finally sees ' + IntToStr(ord(ExceptionType)));
  end;
  // An error in a finally part replaces the one that was passing.
  try
    try
      Fail('first');
    finally
      Fail('replaced');
    end;
  except
    Print('outer ' + ExceptionParam);
  end;
  // exit waits for the finally part; the finally part can still change the result.
  Print(IntToStr(Guarded(5)) + ' ' + IntToStr(Guarded(0)));
  Print(Picked(1) + Picked(2));
  // break and continue leave try parts through their finally parts.
  count := 0;
  for i := 1 to 5 do begin
    try
      if i = 2 then continue;
      if i = 4 then break;
      Print('loop ' + IntToStr(i));
    finally
      count := count + 1;
    end;
  end;
  Print('finally parts run ' + IntToStr(count) + ', i = ' + IntToStr(i));
  i := 0;
  while True do begin
    i := i + 1;
    try
      try
        if i = 3 then break;
      finally
        Print('inner finally ' + IntToStr(i));
      end;
    except
      Print('not reached');
    end;
  end;
  repeat
    try
      Fail('caught in the loop');
    except
      Print('except then break');
      break;
    end;
  until False;
  case i of
    3: while i < 6 do begin
      try
        Fail('x');
      except
        i := i + 1;
        if i = 5 then break;
        continue;
      finally
        Print('second finally ' + IntToStr(i));
      end;
    end;
  end;
  Print('i = ' + IntToStr(i));
  // Outside an except part the exception routines see no exception.
  Print(Described + ' ' + IntToStr(ExceptionProc) + ' ' + IntToStr(ExceptionPos));
  RaiseLastException;
  // The texts of every code.
  for e := ErNoError to erCustomError do
    s := s + IntToStr(ord(e)) + ' ' + ExceptionToString(e, 'P') + '|';
  Print(s);
  try
    StrToInt64('12x');
  except
    Print(IntToStr(ord(ExceptionType)) + ' ' + Described);
  end;
  try
    i := Round(1e20);
  except
    Print(Described);
  end;
  // Raising "no error" is a routine that failed without an exception.
  try
    RaiseException(ErNoError, 'none');
  except
    Print(Described);
  end;
  // An exception no handler takes stops the run.
  try
    Fail('unhandled');
  finally
    Print('last finally');
  end;
  Print('not reached');
end.

// expect: before
// expect: caught divide by Zero 15
// expect: quiet
// expect: body
// expect: finally
// expect: deeper finally
// expect: caller from deep
// expect: inner divide by Zero
// expect: outer divide by Zero
// expect: place kept 111
// expect: finally of A
// expect: except A
// expect: A quiet
// expect: finally quiet
// expect: A
// expect: except in finally
// expect: except first
// expect: second finally 0
// expect: outer second
// expect: A quiet
// expect: second finally quiet
// expect: except held
// expect: second finally sees 0
// expect: outer replaced
// expect: guarded finally 5
// expect: guarded finally -1
// expect: after the try
// expect: 50 -10
// expect: <2none<4
// expect: loop 1
// expect: loop 3
// expect: finally parts run 4, i = 4
// expect: inner finally 1
// expect: inner finally 2
// expect: inner finally 3
// expect: except then break
// expect: second finally 4
// expect: second finally 5
// expect: i = 5
// expect: No Error 0 0
// expect: 0 No Error|1 Cannot Import P|2 Invalid Type|3 Internal error|4 Invalid Header|5 Invalid Opcode|6 Invalid Opcode Parameter|7 no Main Proc|8 Out of Global Vars range|9 Out of Proc Range|10 Out Of Range|11 Out Of Stack Range|12 Type Mismatch|13 Unexpected End Of File|14 Version error|15 divide by Zero|16 Math error|17 Could not call proc (P)|18 Out of Record Fields Range|19 Out Of Memory|20 Exception: P|21 Null Pointer Exception|22 Null variant error|23 Interface not supported|24 P|
// expect: 20 Exception: '12x' is not a valid integer value
// expect: Math error
// expect: Could not call proc
// expect: last finally
// stderr: unhandled
// status: 1
