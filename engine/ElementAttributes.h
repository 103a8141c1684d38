// The attributes each element of a project may carry: the format's own and
// those the writer adds to keep what the format cannot hold. Any other
// attribute would be dropped without a word, so loading reports it.
#pragma once

class LoadProblems;
class XmlElement;

class ElementAttributes {
 public:
  static void ReportUnknown(const XmlElement& element, LoadProblems& problems);
};
