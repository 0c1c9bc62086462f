"""psitool checks: every effect description compiles, dumps and compiles back to the same bytes; bad input fails."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import psitool  # noqa: E402

EFFECTS = sys.argv.pop(1) if len(sys.argv) > 1 else None


class RoundTrip(unittest.TestCase):
    def test_shipped_effects_round_trip(self):
        names = sorted(n for n in os.listdir(EFFECTS) if n.endswith(".txt"))
        self.assertEqual(len(names), 19)
        for name in names:
            with open(os.path.join(EFFECTS, name)) as f:
                data = psitool.compile_text(f.read(), name)
            self.assertEqual(psitool.compile_text(psitool.dump(data)), data, name)

    def test_header_layout(self):
        data = psitool.compile_text("rate 40\nlifetime -1\ncolor_end 1 0.5 0 0\nadditive 1\nsprite a/b\n")
        self.assertEqual(len(data), 128 + 2 + 1 + 4 + 3)
        self.assertEqual(data[4:8], (40).to_bytes(4, "little"))
        self.assertEqual(data[8:12], bytes.fromhex("000080bf"))  # -1.0f
        self.assertEqual(data[128:130], b"\x00\x01")
        self.assertEqual(data[130:], b"\x02\x03\x00\x00\x00a/b")

    def test_bad_input_is_refused(self):
        for text in ("rate\n", "speeed 1 2\n", "sprite " + "x" * 300 + "\n"):
            with self.assertRaises(psitool.PsiError):
                psitool.compile_text(text)
        with self.assertRaises(psitool.PsiError):
            psitool.dump(b"\x00" * 100)
        with self.assertRaises(psitool.PsiError):
            psitool.dump(b"\x00" * 128 + b"\x02\xff\x00\x00\x00")


if __name__ == "__main__":
    unittest.main()
