odd\name.pre
