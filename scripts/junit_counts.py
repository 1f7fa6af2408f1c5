"""Prints "passed failed skipped" for a JUnit report, ctest's or pytest's:
    python3 scripts/junit_counts.py REPORT.xml
"""
import sys
import xml.etree.ElementTree as tree

root = tree.parse(sys.argv[1]).getroot()
suites = [root] if root.tag == "testsuite" else list(root.iter("testsuite"))
total, bad, skipped = 0, 0, 0
for suite in suites:
    total += int(suite.get("tests", 0))
    bad += int(suite.get("failures", 0)) + int(suite.get("errors", 0))
    skipped += int(suite.get("skipped", 0)) + int(suite.get("disabled", 0))
if total == 0:
    sys.exit(f"{sys.argv[1]}: no test ran")
print(total - bad - skipped, bad, skipped)
