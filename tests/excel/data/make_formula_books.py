#!/usr/bin/env python3
"""Writes excel_formulas.fods and has LibreOffice save it as .xls (Excel 97) and .xlsx: the
same book in each file type, with formula
cells (number, text, booleans, an error, a reference), a currency amount, a time, a date, a
rich-text cell and a text long enough to be split over several records.

    python3 make_formula_books.py OUTDIR
"""
import os
import subprocess
import sys
import tempfile

LONG = "长文本" * 1500  # 4,500 characters: 9,000 bytes as UTF-16, over one BIFF record

NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
      'xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" '
      'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
      'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
      'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"')

STYLES = """
<office:automatic-styles>
 <number:currency-style style:name="N1"><number:currency-symbol>¥</number:currency-symbol>
  <number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/>
 </number:currency-style>
 <number:time-style style:name="N2"><number:hours number:style="long"/><number:text>:</number:text>
  <number:minutes number:style="long"/></number:time-style>
 <number:date-style style:name="N3"><number:year number:style="long"/><number:text>-</number:text>
  <number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/>
 </number:date-style>
 <style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>
 <style:style style:name="ce2" style:family="table-cell" style:data-style-name="N2"/>
 <style:style style:name="ce3" style:family="table-cell" style:data-style-name="N3"/>
 <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
</office:automatic-styles>
"""


def text(value):
    return f'<table:table-cell office:value-type="string"><text:p>{value}</text:p></table:table-cell>'


ROWS = [
    text("标题") + text("内容"),
    text("求和") + '<table:table-cell table:formula="of:=1+2" office:value-type="float" office:value="3"><text:p>3</text:p></table:table-cell>',
    # No cached result: LibreOffice computes it on loading (with one given, it writes the
    # text result of this formula to .xls as the number 0).
    text("文本公式") + '<table:table-cell table:formula="of:=&quot;Hello&quot;&amp;&quot; &quot;&amp;&quot;World&quot;"/>',
    text("真") + '<table:table-cell table:formula="of:=TRUE()" office:value-type="boolean" office:boolean-value="true"><text:p>TRUE</text:p></table:table-cell>',
    text("假") + '<table:table-cell table:formula="of:=1&gt;2"/>',
    text("错误") + '<table:table-cell table:formula="of:=1/0"/>',
    text("金额") + '<table:table-cell table:style-name="ce1" office:value-type="currency" office:currency="CNY" office:value="1234.5"><text:p>¥1,234.50</text:p></table:table-cell>',
    text("时间") + '<table:table-cell table:style-name="ce2" office:value-type="time" office:time-value="PT14H30M00S"><text:p>14:30</text:p></table:table-cell>',
    text("日期") + '<table:table-cell table:style-name="ce3" office:value-type="date" office:date-value="2024-03-14"><text:p>2024-03-14</text:p></table:table-cell>',
    text("引用") + '<table:table-cell table:formula="of:=[.B2]*2" office:value-type="float" office:value="6"><text:p>6</text:p></table:table-cell>',
    text("富文本") + '<table:table-cell office:value-type="string"><text:p><text:span text:style-name="T1">Hello</text:span> <text:span text:style-name="T1">World</text:span></text:p></table:table-cell>',
    text("长文本") + text(LONG),
]


def main():
    out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
    fods = os.path.join(out, "excel_formulas.fods")
    rows = "".join(f"<table:table-row>{r}</table:table-row>" for r in ROWS)
    with open(fods, "w", encoding="utf-8") as f:
        f.write(f'<?xml version="1.0" encoding="UTF-8"?>\n<office:document {NS} office:version="1.2" '
                f'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">{STYLES}'
                f'<office:body><office:spreadsheet><table:table table:name="Sheet1">{rows}'
                f'</table:table></office:spreadsheet></office:body></office:document>\n')
    with tempfile.TemporaryDirectory() as profile:
        for filter_name, name in [("MS Excel 97", "excel_formulas.xls"),
                                  ("Calc MS Excel 2007 XML", "excel_formulas.xlsx")]:
            with tempfile.TemporaryDirectory() as tmp:
                subprocess.run(["soffice", f"-env:UserInstallation=file://{profile}", "--headless",
                                "--convert-to", f"{os.path.splitext(name)[1][1:]}:{filter_name}",
                                "--outdir", tmp, fods], check=True, capture_output=True)
                os.replace(os.path.join(tmp, "excel_formulas" + os.path.splitext(name)[1]),
                           os.path.join(out, name))


if __name__ == "__main__":
    main()
