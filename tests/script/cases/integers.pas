// Integer types: widths, wrap-around, the result type of mixed operands, the operators.
program Integers;

var
  b, b2: Byte;
  sh: ShortInt;
  w: Word;
  sm: SmallInt;
  i, j: Integer;
  lw: LongWord;
  c: Cardinal;
  x: Int64;

procedure Show(n: Int64);
begin
  Print(IntToStr(n));
end;

begin
  // Every width wraps around on assignment.
  b := 255; b := b + 1; Show(b);
  sh := 127; sh := sh + 1; Show(sh);
  w := 65535; w := w + 1; Show(w);
  sm := -32768; sm := sm - 1; Show(sm);
  i := 2147483647; i := i + 1; Show(i);
  lw := 4294967295; Show(lw);
  Show(lw + 1);
  c := 7; Show(c);
  // Two integers give the wider type: Byte + Byte is a LongInt, Int64 * 2 an Int64.
  b := 200; b2 := 100; Show(b + b); Show(b + b2 * 3);
  x := 3000000000; x := x * 2; Show(x);
  i := 100000; Show(x + i);
  // Literals: LongInt, LongWord above 2^31 - 1, Int64 above 2^32 - 1; hexadecimal.
  Show(3000000000); Show(10000000000); Show($FF); Show(-$10);
  // Division truncates toward zero; mod takes the sign of the dividend.
  i := -7; j := 2;
  Show(i / j); Show(i div j); Show(i mod j); Show(7 mod -2); Show(7 / 2);
  // Precedence and associativity.
  Show(2 + 3 * 4); Show((2 + 3) * 4); Show(10 - 2 - 3); Show(-2 * 3); Show(100 div 10 div 5);
  // Bits.
  Show(1 shl 10); i := -1; Show(i shr 28); Show(12 and 10); Show(12 or 10); Show(12 xor 10);
  i := 0; Show(not i); i := 5; Show(not i); Show(-i); Show(+i);
  x := -1; Show(x shr 60);
  // Folded constants and run-time values agree at the edges.
  i := 40; Show(1 shl i); Show(1 shl 40);
  i := -2147483648; j := -1; Show(i div j);
  x := -9223372036854775807 - 1; Show(x div -1); Show((-9223372036854775807 - 1) div -1);
  lw := 3000000000; Show(-lw); Show(-3000000000);
  // Inc and Dec on every width.
  b := 255; Inc(b); Show(b);
  i := 10; Inc(i); Inc(i); Dec(i); Show(i);
  x := 9000000000; Inc(x); Show(x);
end.

// expect: 0
// expect: -128
// expect: 0
// expect: 32767
// expect: -2147483648
// expect: 4294967295
// expect: 0
// expect: 7
// expect: 400
// expect: 500
// expect: 6000000000
// expect: 6000100000
// expect: 3000000000
// expect: 10000000000
// expect: 255
// expect: -16
// expect: -3
// expect: -3
// expect: -1
// expect: 1
// expect: 3
// expect: 14
// expect: 20
// expect: 5
// expect: -6
// expect: 2
// expect: 1024
// expect: 15
// expect: 8
// expect: 14
// expect: 6
// expect: -1
// expect: -6
// expect: -5
// expect: 5
// expect: 15
// expect: 256
// expect: 256
// expect: -2147483648
// expect: -9223372036854775808
// expect: -9223372036854775808
// expect: -3000000000
// expect: -3000000000
// expect: 0
// expect: 11
// expect: 9000000001
