// The vector kernels of the compositor, written once for 128-bit (SSE2) and
// 256-bit (AVX2) registers: each file that includes this defines the register
// type V and its operations first, and gets the kernels in its own namespace.
// Both give the bytes of the reference kernels.
//
// Included only by compositor_sse2.cpp and compositor_avx2.cpp.

const int LANES = sizeof(V) / 4; // pixels per register

void BlendRows(uint32_t *out, const uint32_t *a, const uint32_t *b, uint32_t w, int32_t n)
{
    const V zero = Zero(), wb = Set16((int16_t)w), wa = Set16((int16_t)(256 - w)), round = Set16(128);
    int32_t i = 0;
    for (; i + LANES <= n; i += LANES) {
        const V va = Load(a + i), vb = Load(b + i);
        const V lo = Srl16(Add16(Add16(Mul16(Unpacklo8(va, zero), wa), Mul16(Unpacklo8(vb, zero), wb)), round), 8);
        const V hi = Srl16(Add16(Add16(Mul16(Unpackhi8(va, zero), wa), Mul16(Unpackhi8(vb, zero), wb)), round), 8);
        Store(out + i, Packus16(lo, hi));
    }
    for (; i < n; i++)
        out[i] = BlendPixel(a[i], b[i], w);
}

void GatherBilinear(uint32_t *out, const uint32_t *row, const int32_t *x0, const int32_t *x1, const uint16_t *w,
                    int32_t n)
{
    const V zero = Zero(), round = Set16(128), full = Set16(256);
    int32_t i = 0;
    for (; i + LANES <= n; i += LANES) {
        const V va = Gather(row, x0 + i), vb = Gather(row, x1 + i);
        // Each pixel's weight in the four 16-bit lanes of its channels.
        const V w32 = Widen16(w + i);
        const V pair = Or(w32, Sll32(w32, 16));
        const V wlo = Unpacklo32(pair, pair), whi = Unpackhi32(pair, pair);
        const V lo = Srl16(
            Add16(Add16(Mul16(Unpacklo8(va, zero), Sub16(full, wlo)), Mul16(Unpacklo8(vb, zero), wlo)), round), 8);
        const V hi = Srl16(
            Add16(Add16(Mul16(Unpackhi8(va, zero), Sub16(full, whi)), Mul16(Unpackhi8(vb, zero), whi)), round), 8);
        Store(out + i, Packus16(lo, hi));
    }
    for (; i < n; i++)
        out[i] = BlendPixel(row[x0[i]], row[x1[i]], w[i]);
}

void GatherNearest(uint32_t *out, const uint32_t *row, const int32_t *x0, int32_t n)
{
    int32_t i = 0;
    for (; i + LANES <= n; i += LANES)
        Store(out + i, Gather(row, x0 + i));
    for (; i < n; i++)
        out[i] = row[x0[i]];
}

void Alternate(uint32_t *out, const uint32_t *a, const uint32_t *b, int32_t phase, int32_t n)
{
    // All ones in the lanes that take b: lane i takes b when (i + phase) is odd.
    const V mask = phase & 1 ? Set64(0x00000000FFFFFFFFull) : Set64(0xFFFFFFFF00000000ull);
    int32_t i = 0;
    for (; i + LANES <= n; i += LANES)
        Store(out + i, Or(And(mask, Load(b + i)), AndNot(mask, Load(a + i))));
    for (; i < n; i++)
        out[i] = ((i + phase) & 1) ? b[i] : a[i];
}

void Anaglyph(uint32_t *out, const uint32_t *left, const uint32_t *right, const AnaglyphMatrix &m, int32_t n)
{
    // Per output channel, 16-bit coefficient pairs matching the pixel's (blue,
    // red) and (green, X) halves of each 32-bit lane.
    V ke[3][2], ko[3][2];
    for (int c = 0; c < 3; c++) {
        for (int e = 0; e < 2; e++) {
            const int16_t kr = m.k[c][3 * e], kg = m.k[c][3 * e + 1], kb = m.k[c][3 * e + 2];
            ke[c][e] = Set32((int32_t)((uint32_t)(uint16_t)kb | ((uint32_t)(uint16_t)kr << 16)));
            ko[c][e] = Set32((int32_t)(uint16_t)kg);
        }
    }
    const V low = Set32(0x00FF00FF), round = Set32(8192), max = Set32(255);
    int32_t i = 0;
    for (; i + LANES <= n; i += LANES) {
        const V l = Load(left + i), r = Load(right + i);
        const V le = And(l, low), lo = Srl16(l, 8), re = And(r, low), ro = Srl16(r, 8);
        V result = Zero();
        for (int c = 0; c < 3; c++) {
            V s = Add32(Add32(Madd(le, ke[c][0]), Madd(lo, ko[c][0])), Add32(Madd(re, ke[c][1]), Madd(ro, ko[c][1])));
            s = Sra32(Add32(s, round), 14);
            s = AndNot(Sra32(s, 31), s); // below 0: 0
            const V over = Cmpgt32(s, max);
            s = Or(AndNot(over, s), And(over, max));
            result = Or(result, Sll32(s, 16 - 8 * c));
        }
        Store(out + i, result);
    }
    for (; i < n; i++)
        out[i] = AnaglyphPixel(left[i], right[i], m);
}
