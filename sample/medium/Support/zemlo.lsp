(defun c:zemlo () (princ "ZEMLO V8.0") (princ))
